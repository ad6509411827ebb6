#include "processing/PhpRuntime.h"

#include "platform/AppPaths.h"

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

QString InterpreterFile(const QString &phpDir)
{
    return WithTrailingSlash(phpDir) + QStringLiteral("php");
}

QString LibraryPath(const QString &executableFolder)
{
    return WithTrailingSlash(executableFolder) + QStringLiteral("FaceDetector.php");
}

QString ScriptPath(const QString &settingsDir)
{
    return settingsDir + QStringLiteral("temp.php");
}

QString ScriptPath(const QString &settingsDir, int slot)
{
    return slot <= 0 ? ScriptPath(settingsDir)
                     : settingsDir + QStringLiteral("temp") + QString::number(slot + 1) + QStringLiteral(".php");
}

bool IsRunnableFile(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status;
    return ::stat(name.constData(), &status) == 0 && S_ISREG(status.st_mode) && ::access(name.constData(), X_OK) == 0;
}
