#include "processing/ImageJob.h"

#include "platform/GroupWatcher.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {
constexpr qint64 ReadSize = 64 * 1024;       // what one read takes from the pipe
constexpr qint64 ReadsPerTurn = 4;           // then the event loop gets its turn again
constexpr int ExitPollMilliseconds = 20;     // without a process descriptor

// A posix_spawn attribute object, initialised on creation and destroyed with its scope.
template <typename T, int (*Init)(T *), int (*Destroy)(T *)>
class SpawnObject {
public:
    SpawnObject() { Init(&object_); }
    SpawnObject(const SpawnObject &) = delete;
    SpawnObject &operator=(const SpawnObject &) = delete;
    ~SpawnObject() { Destroy(&object_); }
    T *get() { return &object_; }

private:
    T object_;
};
using SpawnFileActions = SpawnObject<posix_spawn_file_actions_t, posix_spawn_file_actions_init, posix_spawn_file_actions_destroy>;
using SpawnAttributes = SpawnObject<posix_spawnattr_t, posix_spawnattr_init, posix_spawnattr_destroy>;

void closeDescriptor(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

int openProcessDescriptor(pid_t pid)
{
#ifdef SYS_pidfd_open
    return int(::syscall(SYS_pidfd_open, pid, 0));
#else
    Q_UNUSED(pid);
    return -1;
#endif
}

// The first byte of `bytes` that starts a UTF-8 character.
qsizetype characterStart(const QByteArray &bytes)
{
    qsizetype i = 0;
    while (i < bytes.size() && i < 4 && (uchar(bytes[i]) & 0xC0) == 0x80)
        ++i;
    return i;
}
} // namespace

ImageJob::ImageJob(const QString &command, const QString &workingDirectory, std::chrono::milliseconds timeLimit,
                   QObject *parent)
    : QObject(parent), command_(command), workingDirectory_(workingDirectory), timeLimit_(timeLimit)
{
    qRegisterMetaType<ImageJobResult>();
}

ImageJob::~ImageJob()
{
    if (pid_ > 0) {
        killGroup();
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        ForgetGroup(pid_);
    }
    closeDescriptor(pidFd_);
    closeDescriptor(readFd_);
}

void ImageJob::start()
{
    clock_.start();
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        result_.startError = QString::fromLocal8Bit(std::strerror(errno));
        QMetaObject::invokeMethod(this, &ImageJob::finish, Qt::QueuedConnection);
        return;
    }
    readFd_ = ends[0];
    int writeFd = ends[1];
    ::fcntl(readFd_, F_SETFL, ::fcntl(readFd_, F_GETFL) | O_NONBLOCK);

    // The child gets the write end as standard output and error and nothing to read; the
    // duplicates lose close-on-exec, the originals (and the read end) do not reach the shell.
    SpawnFileActions actions;
    const QByteArray directory = workingDirectory_.toLocal8Bit();
    posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(actions.get(), writeFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(actions.get(), writeFd, STDERR_FILENO);
    posix_spawn_file_actions_addchdir_np(actions.get(), directory.constData());

    // A group of its own, so that stopping reaches the interpreter and the engine under it.
    SpawnAttributes attributes;
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setflags(attributes.get(), POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
    posix_spawnattr_setpgroup(attributes.get(), 0);
    posix_spawnattr_setsigmask(attributes.get(), &none);

    const QByteArray commandLine = command_.toLocal8Bit();
    char shell[] = "/bin/sh";
    char dashC[] = "-c";
    char *argv[] = {shell, dashC, const_cast<char *>(commandLine.constData()), nullptr};
    pid_t child = -1;
    const int started = ::posix_spawn(&child, shell, actions.get(), attributes.get(), argv, environ);
    ::close(writeFd); // so that the read end reports the end once every writer is gone
    if (started != 0) {
        closeDescriptor(readFd_);
        result_.startError = QString::fromLocal8Bit(std::strerror(started));
        QMetaObject::invokeMethod(this, &ImageJob::finish, Qt::QueuedConnection);
        return;
    }
    pid_ = child;
    WatchGroup(child);
    result_.started = true;

    outputNotifier_ = new QSocketNotifier(readFd_, QSocketNotifier::Read, this);
    connect(outputNotifier_, &QSocketNotifier::activated, this, &ImageJob::readOutput);

    pidFd_ = openProcessDescriptor(child);
    if (pidFd_ >= 0) {
        exitNotifier_ = new QSocketNotifier(pidFd_, QSocketNotifier::Read, this);
        connect(exitNotifier_, &QSocketNotifier::activated, this, &ImageJob::childExited);
    } else {
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, &ImageJob::childExited);
        poll->start(ExitPollMilliseconds);
    }

    if (timeLimit_.count() > 0) {
        limitTimer_ = new QTimer(this);
        limitTimer_->setSingleShot(true);
        connect(limitTimer_, &QTimer::timeout, this, [this] {
            if (result_.stopped || exited_)
                return;
            result_.timedOut = true;
            killGroup();
        });
        limitTimer_->start(timeLimit_);
    }
}

void ImageJob::stop()
{
    if (pid_ <= 0 || result_.stopped || result_.timedOut)
        return;
    result_.stopped = true;
    killGroup();
    if (exited_) // only the pipe was still open, held by something the shell left behind
        QMetaObject::invokeMethod(this, &ImageJob::finishIfDone, Qt::QueuedConnection);
}

void ImageJob::killGroup()
{
    // The group keeps the shell's number while any member lives, even after the shell is reaped.
    if (pid_ > 0)
        ::kill(-pid_, SIGKILL);
}

void ImageJob::readOutput()
{
    char buffer[ReadSize];
    for (int turn = 0; turn < ReadsPerTurn && readFd_ >= 0; ++turn) {
        const ssize_t count = ::read(readFd_, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (count <= 0) { // every writer has gone, or the read failed
            outputNotifier_->setEnabled(false);
            closeDescriptor(readFd_);
            outputEnded_ = true;
            finishIfDone();
            return;
        }
        result_.outputBytes += count;
        if (limitCountsIdleTime_ && limitTimer_)
            limitTimer_->start(timeLimit_);
        keep(buffer, count);
        emit output(QByteArray(buffer, count));
    }
}

void ImageJob::keep(const char *data, qint64 size)
{
    const qint64 toHead = qMin(size, KeptOutputHead - head_.size());
    if (toHead > 0)
        head_.append(data, toHead);
    if (size > toHead) {
        tail_.append(data + toHead, size - toHead);
        if (tail_.size() > 2 * KeptOutputTail) // trimmed now and then, so that keeping stays cheap
            tail_.remove(0, tail_.size() - KeptOutputTail);
    }
}

void ImageJob::childExited()
{
    if (pid_ <= 0 || exited_)
        return;
    int status = 0;
    pid_t reaped;
    do
        reaped = ::waitpid(pid_, &status, WNOHANG);
    while (reaped < 0 && errno == EINTR);
    if (reaped == 0)
        return; // not yet
    exited_ = true;
    if (exitNotifier_)
        exitNotifier_->setEnabled(false);
    closeDescriptor(pidFd_);
    if (reaped == pid_ && WIFEXITED(status)) {
        result_.exitCode = WEXITSTATUS(status);
    } else if (reaped == pid_ && WIFSIGNALED(status) && !result_.stopped && !result_.timedOut) {
        result_.crashed = true;
        result_.signal = WTERMSIG(status);
    }
    finishIfDone();
}

void ImageJob::finishIfDone()
{
    if (finishing_ || !exited_)
        return;
    // Once the group has been ended, a pipe still held open by a process that left the group
    // is not waited for.
    if (!outputEnded_ && !result_.stopped && !result_.timedOut)
        return;
    finish();
}

void ImageJob::finish()
{
    if (finishing_)
        return;
    finishing_ = true;
    if (outputNotifier_)
        outputNotifier_->setEnabled(false);
    if (limitTimer_)
        limitTimer_->stop();
    for (QTimer *timer : findChildren<QTimer *>())
        timer->stop();
    closeDescriptor(readFd_);
    closeDescriptor(pidFd_);
    if (pid_ > 0)
        ForgetGroup(pid_);
    pid_ = -1;

    if (tail_.size() > KeptOutputTail)
        tail_.remove(0, tail_.size() - KeptOutputTail);
    const qint64 leftOut = result_.outputBytes - head_.size() - tail_.size();
    result_.output = head_;
    if (leftOut > 0) {
        result_.output += QByteArrayLiteral("\n[... ") + QByteArray::number(leftOut)
                          + QByteArrayLiteral(" bytes of output left out ...]\n");
        result_.output += QByteArrayView(tail_).sliced(characterStart(tail_));
    } else {
        result_.output += tail_;
    }
    head_.clear();
    tail_.clear();
    result_.milliseconds = clock_.elapsed();
    emit finished(result_);
}
