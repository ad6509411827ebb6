#include "platform/AppPaths.h"

#include <QCoreApplication>
#include <QFileInfo>

QString WithTrailingSlash(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString WithoutTrailingSlash(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder.chopped(1) : folder;
}

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
    return WithTrailingSlash(executableFolder) + QStringLiteral("php");
}
