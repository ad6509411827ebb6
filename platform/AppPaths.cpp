#include "platform/AppPaths.h"

#include <QCoreApplication>
#include <QFileInfo>

QString ExecutablePath()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
}

QString ExecutableFolder()
{
    return QFileInfo(ExecutablePath()).absolutePath();
}

QString PhpDirOf(const QString &executableFolder)
{
    return executableFolder.endsWith(QLatin1Char('/')) ? executableFolder + QStringLiteral("php")
                                                       : executableFolder + QStringLiteral("/php");
}
