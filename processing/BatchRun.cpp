#include "processing/BatchRun.h"

#include <QFile>

#include "platform/Errors.h"
#include "processing/ImageFailure.h"
#include "processing/TimeLeft.h"
#include "processing/UnsearchablePicture.h"

#include <QFile>

BatchRun::BatchRun(const QStringList &paths, PrepareImage prepare, const BatchOptions &options, QObject *parent)
    : QObject(parent), paths_(paths), prepare_(std::move(prepare)), options_(options),
      slots_(size_t(qMax(1, options.maxJobs)))
{
    qRegisterMetaType<ImageOutcome>();
    qRegisterMetaType<BatchSummary>();
    summary_.total = paths_.size();
}

BatchRun::~BatchRun()
{
    for (Slot &slot : slots_) {
        if (!slot.job)
            continue;
        delete slot.job; // ends its process group and reaps the shell
        slot.job = nullptr;
        RemoveUnfinishedOutputs(outputsOf(slot));
        for (const QString &scratch : slot.prepared.scratchFiles)
            QFile::remove(scratch);
    }
}

void BatchRun::start()
{
    if (started_)
        return;
    started_ = true;
    clock_.start();
    startMore();
    endIfIdle();
}

void BatchRun::stop()
{
    if (!isRunning() || stopping_)
        return;
    stopping_ = true;
    summary_.stopped = true;
    for (Slot &slot : slots_)
        if (slot.job)
            slot.job->stop();
    endIfIdle();
}

std::optional<qint64> BatchRun::millisecondsLeft() const
{
    if (!isRunning())
        return std::nullopt;
    return EstimateMillisecondsLeft(clock_.elapsed(), summary_.done, summary_.total);
}

void BatchRun::startMore()
{
    for (int s = 0; s < int(slots_.size()); ++s) {
        Slot &slot = slots_[size_t(s)];
        if (slot.job)
            continue;
        if (stopping_ || !summary_.error.isEmpty() || next_ >= paths_.size())
            return;
        const qsizetype index = next_++;
        emit imageStarted(index, paths_[index]);
        if (stopping_) { // stopped by a receiver of imageStarted
            --next_;
            return;
        }
        if (const std::optional<QString> reason = UnsearchableReason(paths_[index])) {
            refuse(index, *reason);
            --s; // the slot is still free
            continue;
        }
        try {
            slot.prepared = prepare_(index, paths_[index], s);
        } catch (const std::exception &error) {
            summary_.error = ErrorMessage(error);
            return;
        }
        slot.index = index;
        slot.job = new ImageJob(slot.prepared.command, slot.prepared.workingDirectory,
                                std::chrono::duration_cast<std::chrono::milliseconds>(options_.timeLimit), this);
        slot.job->setLimitCountsIdleTime(slot.prepared.limitCountsIdleTime);
        if (slot.prepared.limitCountsIdleTime)
            connect(slot.job, &ImageJob::output, this, [this, index](const QByteArray &piece) { emit imageOutput(index, piece); });
        connect(slot.job, &ImageJob::finished, this,
                [this, s](const ImageJobResult &result) { jobFinished(s, result); });
        slot.job->start();
    }
}

void BatchRun::refuse(qsizetype index, const QString &reason)
{
    ImageOutcome outcome;
    outcome.index = index;
    outcome.path = paths_[index];
    outcome.failure = reason;
    outcome.output = reason + QLatin1Char('\n');
    ++summary_.done;
    summary_.failures.append({outcome.path, reason});
    emit imageFinished(outcome);
}

QStringList BatchRun::outputsOf(const Slot &slot) const
{
    QStringList outputs = slot.prepared.expectedOutputs;
    if (slot.prepared.writtenOutputs)
        outputs += slot.prepared.writtenOutputs();
    return outputs;
}

void BatchRun::jobFinished(int s, const ImageJobResult &result)
{
    Slot &slot = slots_[size_t(s)];
    slot.job->deleteLater();
    slot.job = nullptr;
    for (const QString &scratch : slot.prepared.scratchFiles)
        QFile::remove(scratch);

    ImageRunFacts facts;
    facts.result = result;
    facts.output = QString::fromUtf8(result.output);
    facts.timeLimitSeconds = int(options_.timeLimit.count());
    const QStringList outputs = outputsOf(slot);
    for (const QString &path : outputs) {
        const OutputState state = CheckOutputFile(path);
        if (state == OutputState::Missing && slot.prepared.expectedOutputs.contains(path))
            facts.missingOutputs << path;
        else if (state == OutputState::Incomplete)
            facts.incompleteOutputs << path;
    }

    ImageOutcome outcome;
    outcome.index = slot.index;
    outcome.path = paths_[slot.index];
    outcome.failure = FailureReason(facts);
    outcome.output = slot.prepared.outputPrefix + facts.output;
    outcome.result = result;
    if (outcome.failure) {
        outcome.removedOutputs = RemoveUnfinishedOutputs(slot.prepared.expectedOutputs);
        // The files a failed script named itself (Save Faces) go whole or not: a picture's
        // faces are published all together or not at all.
        if (slot.prepared.writtenOutputs)
            for (const QString &path : slot.prepared.writtenOutputs())
                if (QFile::remove(path))
                    outcome.removedOutputs << path;
    }
    if (!result.stopped) {
        ++summary_.done;
        if (outcome.failure)
            summary_.failures.append({outcome.path, *outcome.failure});
    }
    slot.prepared = PreparedImage();
    slot.index = -1;
    emit imageFinished(outcome);

    startMore();
    endIfIdle();
}

void BatchRun::endIfIdle()
{
    if (ended_ || !started_)
        return;
    for (const Slot &slot : slots_)
        if (slot.job)
            return;
    const bool more = next_ < paths_.size() && !stopping_ && summary_.error.isEmpty();
    if (more)
        return;
    ended_ = true;
    emit finished(summary_);
}
