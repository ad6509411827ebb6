#include "processing/PhpRuntime.h"

namespace {
QString inFolder(const QString &folder, const QString &name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}
} // namespace

QString InterpreterFile(const QString &phpDir)
{
    return inFolder(phpDir, QStringLiteral("php"));
}

QString LibraryPath(const QString &executableFolder)
{
    return inFolder(executableFolder, QStringLiteral("FaceDetector.php"));
}

QString ScriptPath(const QString &settingsDir)
{
    return settingsDir + QStringLiteral("temp.php");
}
