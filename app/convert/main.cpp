// mirelon-convert: the main window's "Convert" as a command, with no window.
#include "app/convert/ConvertCommand.h"
#include "app/convert/ConvertOptions.h"
#include "app/convert/PictureArguments.h"
#include "platform/AppPaths.h"
#include "platform/Errors.h"
#include "platform/FolderWritable.h"
#include "platform/GroupWatcher.h"
#include "processing/ActionRun.h"
#include "processing/PhpRuntime.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

void complain(const QString &text)
{
    const QByteArray line = "mirelon-convert: " + text.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

// The arguments as given. A byte string that is not UTF-8 would reach the scripts altered, so
// it is refused rather than turned into another name.
QStringList argumentsOf(int argc, char *argv[], QString *notUtf8)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        const QString argument = QFile::decodeName(argv[i]);
        if (QFile::encodeName(argument) != QByteArray(argv[i]) && notUtf8->isEmpty())
            *notUtf8 = argument;
        arguments << argument;
    }
    return arguments;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // A reader of standard error that goes away (| head) must not end the command with its
    // pictures still running: writes then fail quietly. A handler, unlike SIG_IGN, is not
    // passed on to the interpreter.
    std::signal(SIGPIPE, [](int) {});

    QString notUtf8;
    const QStringList arguments = argumentsOf(argc, argv, &notUtf8);
    ConvertOptions options;
    try {
        options = ParseConvertArguments(arguments, QThread::idealThreadCount());
    } catch (const UsageError &error) {
        complain(error.message() + QStringLiteral(" (see mirelon-convert --help)"));
        return ExitUsage;
    }
    if (options.help) {
        std::fputs(ConvertUsage().toUtf8().constData(), stdout);
        return 0;
    }
    if (!notUtf8.isEmpty()) {
        complain(QStringLiteral("\"%1\" is not valid UTF-8").arg(notUtf8));
        return ExitUsage;
    }

    const PictureArguments pictures = ExpandPictureArguments(options.paths);
    for (const QString &problem : pictures.problems)
        complain(problem);
    if (pictures.pictures.isEmpty()) {
        complain(QStringLiteral("no pictures in the given paths"));
        return ExitUsage;
    }

    const QString phpDir = PhpDirOf(ExecutableFolder());
    const QFileInfo interpreter(InterpreterFile(phpDir));
    if (!interpreter.isFile() || !interpreter.isExecutable()) {
        complain(QStringLiteral("the PHP interpreter is missing: ") + interpreter.filePath());
        return ExitFailed;
    }
    const QString destination = AbsoluteToCurrentFolder(options.destination);
    if (!QDir().mkpath(destination) || !QFileInfo(destination).isDir()) {
        complain(QStringLiteral("cannot create the destination folder ") + destination);
        return ExitFailed;
    }
    // Before any picture is searched: a destination that takes no file ends the command here.
    try {
        CheckFolderWritable(destination);
    } catch (const MirelonError &error) {
        complain(error.message());
        return ExitFailed;
    }

    // The jobs' processes end with this one, however it ends.
    StartGroupWatcher();
    ConvertCommand command(options, pictures.pictures, phpDir, destination, ::isatty(STDERR_FILENO) == 1);
    if (!command.start())
        return ExitFailed;
    const int status = app.exec();
    return status == 0 && !pictures.problems.isEmpty() ? ExitFailed : status;
}
