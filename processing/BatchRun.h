#pragma once
// A run over a list of images, without any window. The pieces:
//   processing/ImageJob      one image's command, asynchronous, in a process group of its own
//   processing/ImageFailure  when an image counts as failed; incomplete outputs found and removed
//   processing/TimeLeft      the estimate of the time left and its text
//   processing/RunStatusText the status texts of a run ("Processing ...", "Completed with 2 errors")
//   processing/ActionRun     the per-image step of the four actions (output name, script)
#include "processing/ImageJob.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

// What one image runs, made at its turn by the run's prepare step.
struct PreparedImage {
    QString command;          // for /bin/sh -c
    QString workingDirectory;
    QStringList expectedOutputs; // files the image must leave behind, whole
    // Files the script names itself (Save Faces): those it wrote, asked once it has ended.
    std::function<QStringList()> writtenOutputs;
    QString outputPrefix; // put before the command's output (Save Faces: the command line)
    bool limitCountsIdleTime = false; // the time limit counts time without output (a video's progress)
    QStringList scratchFiles;         // removed once the command has ended, however it ended
};

// Prepares the image at `index` of the list (path `path`) to run in job slot `slot` (0 up to
// maxJobs - 1; jobs running at once never share a slot). Raises MirelonError to end the run.
using PrepareImage = std::function<PreparedImage(qsizetype index, const QString &path, int slot)>;

struct BatchOptions {
    int maxJobs = 1;                    // images running at once
    std::chrono::seconds timeLimit{600}; // per image; zero for none
};

// How one image went.
struct ImageOutcome {
    qsizetype index = 0;
    QString path;
    std::optional<QString> failure; // the reason, one line; none when it succeeded
    QString output;                 // the prefix and the kept output of its command
    QStringList removedOutputs;     // unfinished files removed after a failure or stop
    ImageJobResult result;
};
Q_DECLARE_METATYPE(ImageOutcome)

struct FailedImage {
    QString path;
    QString reason;
};

// How the run went.
struct BatchSummary {
    qsizetype total = 0;
    qsizetype done = 0; // images that ran to their end, failed ones included
    QList<FailedImage> failures;
    bool stopped = false;
    QString error; // the error that ended the run early (from the prepare step), else empty
};
Q_DECLARE_METATYPE(BatchSummary)

// Runs the images in list order, at most maxJobs at once, each through ImageJob. An image that
// fails (see FailureReason) is listed and the run goes on; its unfinished outputs are removed,
// and every file it named itself (writtenOutputs: Save Faces' face files), whole or not.
// A picture no search can read (UnsearchableReason) fails at once: nothing is prepared or run.
// stop() ends the images in hand at once and starts no more.
class BatchRun : public QObject {
    Q_OBJECT

public:
    BatchRun(const QStringList &paths, PrepareImage prepare, const BatchOptions &options, QObject *parent = nullptr);
    // Images still running are ended at once and their unfinished outputs removed.
    ~BatchRun() override;

    void start();
    void stop();
    bool isRunning() const { return started_ && !ended_; }

    qsizetype total() const { return paths_.size(); }
    qsizetype done() const { return summary_.done; }
    qsizetype failed() const { return summary_.failures.size(); }
    // Once a few images are done; none before that and at the end.
    std::optional<qint64> millisecondsLeft() const;
    const BatchSummary &summary() const { return summary_; }

signals:
    void imageStarted(qsizetype index, const QString &path);
    // Output of an image whose command reports progress (PreparedImage::limitCountsIdleTime).
    void imageOutput(qsizetype index, const QByteArray &piece);
    void imageFinished(const ImageOutcome &outcome);
    void finished(const BatchSummary &summary);

private:
    struct Slot {
        ImageJob *job = nullptr;
        qsizetype index = -1;
        PreparedImage prepared;
    };

    void startMore();
    void jobFinished(int slot, const ImageJobResult &result);
    void refuse(qsizetype index, const QString &reason); // fails the image without running it
    QStringList outputsOf(const Slot &slot) const;
    void endIfIdle();

    QStringList paths_;
    PrepareImage prepare_;
    BatchOptions options_;
    std::vector<Slot> slots_;
    qsizetype next_ = 0;
    bool started_ = false;
    bool stopping_ = false;
    bool ended_ = false;
    QElapsedTimer clock_;
    BatchSummary summary_;
};
