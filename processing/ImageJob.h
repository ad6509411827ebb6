#pragma once
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

class QSocketNotifier;
class QTimer;

// How one image's command ended.
struct ImageJobResult {
    bool started = false;   // false: the shell could not be started (startError says why)
    QString startError;
    int exitCode = -1;      // the shell's exit code; -1 unless it exited by itself
    bool crashed = false;   // ended by a signal that this job did not send
    int signal = 0;         // that signal
    bool timedOut = false;  // ended by the time limit
    bool stopped = false;   // ended by stop()
    QByteArray output;      // what the command wrote, bounded: see ImageJob::KeptOutputHead/Tail
    qint64 outputBytes = 0; // everything it wrote, counted
    qint64 milliseconds = 0;
};
Q_DECLARE_METATYPE(ImageJobResult)

// One command run without blocking the thread: /bin/sh -c `command` in `workingDirectory`, in a
// process group of its own, standard output and standard error in one pipe. The event loop
// drives it; finished() comes exactly once, also when the shell could not be started.
//
// The output is kept in the result only in part: the first KeptOutputHead bytes and the last
// KeptOutputTail bytes, so that a command printing without end neither grows the memory nor
// slows the window.
class ImageJob : public QObject {
    Q_OBJECT

public:
    static constexpr qint64 KeptOutputHead = 64 * 1024;
    static constexpr qint64 KeptOutputTail = 1024 * 1024;

    // `timeLimit` of zero means none.
    ImageJob(const QString &command, const QString &workingDirectory, std::chrono::milliseconds timeLimit,
             QObject *parent = nullptr);
    // A job still running is ended at once (its whole process group) and reaped; finished()
    // is then not emitted.
    ~ImageJob() override;

    // The time limit counts only the time since the command last wrote something (its
    // progress), not the time since it started. Set before start().
    void setLimitCountsIdleTime(bool idle) { limitCountsIdleTime_ = idle; }

    void start();
    // Ends the whole process group at once; finished() follows with `stopped` set.
    void stop();
    bool isRunning() const { return pid_ > 0; }

signals:
    // What the command wrote, as read, for a command that reports progress (a video's frames).
    void output(const QByteArray &piece);
    void finished(const ImageJobResult &result);

private:
    void readOutput();
    void childExited();
    void keep(const char *data, qint64 size);
    void killGroup();
    void finishIfDone();
    void finish();

    QString command_;
    QString workingDirectory_;
    std::chrono::milliseconds timeLimit_;
    bool limitCountsIdleTime_ = false;
    int pid_ = -1;
    int pidFd_ = -1;
    int readFd_ = -1;
    bool exited_ = false;
    bool outputEnded_ = false;
    bool finishing_ = false;
    QSocketNotifier *outputNotifier_ = nullptr;
    QSocketNotifier *exitNotifier_ = nullptr;
    QTimer *limitTimer_ = nullptr;
    QByteArray head_;
    QByteArray tail_;
    QElapsedTimer clock_;
    ImageJobResult result_;
};
