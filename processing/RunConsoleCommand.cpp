#include "processing/RunConsoleCommand.h"

#include "platform/FileDescriptor.h"

#include <QPlainTextEdit>
#include <QStringDecoder>
#include <QTextCursor>

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {
class SpawnFileActions {
public:
    SpawnFileActions() { posix_spawn_file_actions_init(&actions_); }
    SpawnFileActions(const SpawnFileActions &) = delete;
    SpawnFileActions &operator=(const SpawnFileActions &) = delete;
    ~SpawnFileActions() { posix_spawn_file_actions_destroy(&actions_); }
    posix_spawn_file_actions_t *get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

// The child's exit status, or -1 when it did not exit normally (or cannot be waited for).
int waitForChild(pid_t child)
{
    int status = 0;
    pid_t waited;
    while ((waited = waitpid(child, &status, 0)) < 0 && errno == EINTR) {
    }
    return waited == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
} // namespace

int RunConsoleCommand(const QString &command, const QString &workingDirectory, const OutputSink &sink)
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return -1; // nothing can be run without the pipe; the callers expect no message
    FileDescriptor readEnd(ends[0]);
    FileDescriptor writeEnd(ends[1]);

    // The child gets the write end as standard output and standard error; the duplicates lose
    // close-on-exec, the originals (and the read end) do not reach the shell.
    SpawnFileActions actions;
    const QByteArray directory = workingDirectory.toLocal8Bit();
    posix_spawn_file_actions_adddup2(actions.get(), writeEnd.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(actions.get(), writeEnd.get(), STDERR_FILENO);
    posix_spawn_file_actions_addchdir_np(actions.get(), directory.constData());

    const QByteArray commandLine = command.toLocal8Bit();
    char shell[] = "/bin/sh";
    char dashC[] = "-c";
    char *argv[] = {shell, dashC, const_cast<char *>(commandLine.constData()), nullptr};
    pid_t child = -1;
    const int started = posix_spawn(&child, shell, actions.get(), nullptr, argv, environ);
    writeEnd.close(); // so that the read end reports the end once every writer is gone
    if (started != 0)
        return -1;

    try {
        QStringDecoder decoder(QStringDecoder::Utf8);
        char buffer[255];
        for (;;) {
            const ssize_t count = ::read(readEnd.get(), buffer, sizeof buffer);
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0)
                break; // every writer has gone, or the read failed
            const QString piece = decoder.decode(QByteArrayView(buffer, count));
            if (!piece.isEmpty() && sink)
                sink(piece);
        }
    } catch (...) {
        readEnd.close(); // a child still writing gets EPIPE instead of blocking the wait
        waitForChild(child);
        throw;
    }
    return waitForChild(child);
}

OutputSink AppendToTextBox(QPlainTextEdit *box)
{
    return [box](const QString &piece) {
        QTextCursor cursor(box->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(piece);
    };
}
