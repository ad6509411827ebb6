#include "processing/PhpRuntime.h"

#include "platform/AppPaths.h"

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
