#include "app/convert/ConvertCommand.h"

#include "processing/PictureOutputs.h"
#include "platform/AppPaths.h"
#include "platform/Errors.h"
#include "processing/BatchRun.h"
#include "processing/ActionRun.h"
#include "processing/PhpRuntime.h"
#include "processing/TimeLeft.h"
#include "processing/VideoStep.h"
#include "scripts/ShellQuote.h"

#include <algorithm>
#include "scripts/ScriptFrame.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {
const QString PrivateFolderPrefix = QStringLiteral("mirelon-convert-");
} // namespace

ConvertCommand::ConvertCommand(const ConvertOptions &options, const QStringList &pictures, const QString &phpDir,
                               const QString &destination, const ReportStyle &style)
    : options_(options), pictures_(pictures), phpDir_(phpDir), libraryPath_(LibraryPath(ExecutableFolder())),
      destination_(destination), report_(stderr, stdout, style, int(pictures.size())), isVideo_(size_t(pictures.size()), false),
      publisher_(int(pictures.size()), [this](int index) { publish(index); })
{
    connect(&signals_, &StopSignals::stopRequested, this, [this] {
        if (run_)
            run_->stop();
    });
}

ConvertCommand::~ConvertCommand() = default;

QString ConvertCommand::stagingFolder(int index) const
{
    return private_->filePath(QString::number(index));
}

bool ConvertCommand::start()
{
    // Folders of earlier runs that were killed go first; then this run's own.
    RemoveAbandonedRunFolders(QDir::tempPath(), PrivateFolderPrefix);
    try {
        private_ = std::make_unique<PrivateRunFolder>(QDir::tempPath(), PrivateFolderPrefix);
    } catch (const MirelonError &error) {
        report_.pictureFailed(QDir::tempPath(), error.message());
        return false;
    }
    BatchOptions batch;
    batch.maxJobs = options_.jobs;
    // Which files are videos, by their content, read once. A video uses every core by itself and
    // holds a few hundred megabytes: a run that holds one goes one file at a time, as the
    // window's does.
    for (qsizetype i = 0; i < pictures_.size(); ++i)
        isVideo_[size_t(i)] = IsVideoFile(pictures_[i]);
    if (std::find(isVideo_.begin(), isVideo_.end(), true) != isVideo_.end())
        batch.maxJobs = 1;
    batch.timeLimit = std::chrono::seconds(options_.timeLimitSeconds);
    run_ = new BatchRun(pictures_, [this](qsizetype index, const QString &picture, int) { return prepare(index, picture); },
                        batch, this);
    connect(run_, &BatchRun::imageFinished, this, [this](const ImageOutcome &outcome) {
        if (outcome.result.stopped) { // interrupted, not failed: it is neither kept nor named
            QDir(stagingFolder(int(outcome.index))).removeRecursively();
            return;
        }
        imageEnded(int(outcome.index), outcome.failure.value_or(QString()), outcome.output);
        const std::optional<qint64> left = run_->millisecondsLeft();
        report_.progress(int(run_->done()), failed_, left ? TimeLeftText(*left) : QString());
    });
    connect(run_, &BatchRun::imageOutput, this, [this](qsizetype index, const QByteArray &piece) {
        if (!isVideo_[size_t(index)])
            return;
        if (const std::optional<FrameCount> frames = LastFrameProgress(piece))
            report_.frameProgress(pictures_[index], frames->frame, frames->total);
    });
    connect(run_, &BatchRun::finished, this, [this] { runEnded(); });
    report_.progress(0, 0, QString());
    run_->start();
    return true;
}

// At the picture's turn: its private folder and its script, which writes there.
PreparedImage ConvertCommand::prepare(qsizetype index, const QString &picture)
{
    lastPrepared_ = index;
    const QString staging = stagingFolder(int(index));
    if (!QDir().mkpath(staging))
        throw MirelonError(QStringLiteral("Cannot create the folder \"%1\"").arg(staging));
    if (isVideo_[size_t(index)]) {
        const QString output = WithTrailingSlash(staging) + QStringLiteral("output") + VideoOutputExtension(options_.action, picture);
        return PreparedVideo(VideoProgramFile(ExecutableFolder()), options_.action, picture, output, phpDir_,
                             options_.coverSeconds);
    }
    const QString script = WithTrailingSlash(staging) + QStringLiteral("script.php");
    WriteScriptFile(script, EncodeScript(StagedScript(options_.action, libraryPath_, picture, options_.format, staging)));

    PreparedImage prepared;
    prepared.command = InterpreterCommand(InterpreterFile(phpDir_), script);
    prepared.workingDirectory = phpDir_;
    const QString expected = ExpectedStagedOutput(options_.action, options_.format, staging);
    if (!expected.isEmpty())
        prepared.expectedOutputs = {expected};
    else
        prepared.writtenOutputs = [action = options_.action, picture, format = options_.format, staging] {
            QStringList paths;
            for (const StagedOutput &output : StagedOutputs(action, picture, format, staging))
                paths << output.path;
            return paths;
        };
    return prepared;
}

void ConvertCommand::imageEnded(int index, const QString &failure, const QString &output)
{
    if (!failure.isEmpty()) {
        ++done_;
        ++failed_;
        report_.pictureFailed(pictures_[index], failure);
        if (options_.verbose)
            report_.pictureOutput(output);
        QDir(stagingFolder(index)).removeRecursively();
    }
    publisher_.ended(index, failure.isEmpty());
}

void ConvertCommand::publish(int index)
{
    ++done_;
    const QString staging = stagingFolder(index);
    try {
        const QStringList names = PublishOutputs(stagedOutputs(index), destination_);
        report_.pictureDone(done_, pictures_[index], names);
    } catch (const MirelonError &error) {
        ++failed_;
        report_.pictureFailed(pictures_[index], error.message());
    }
    QDir(staging).removeRecursively();
}

// A video's one output keeps the video's extension (Export: .txt); --format is for pictures.
QList<StagedOutput> ConvertCommand::stagedOutputs(int index) const
{
    const QString staging = stagingFolder(index);
    if (!isVideo_[size_t(index)])
        return StagedOutputs(options_.action, pictures_[index], options_.format, staging);
    const QString extension = VideoOutputExtension(options_.action, pictures_[index]);
    const QString output = WithTrailingSlash(staging) + QStringLiteral("output") + extension;
    if (!QFileInfo(output).isFile())
        return {};
    return {{output, PictureStem(pictures_[index]), extension}};
}

void ConvertCommand::runEnded()
{
    // The pictures still running have been ended: the finished ones after them go too.
    publisher_.finish();
    // A picture that could not even be prepared (its script not written) ends the run there.
    const QString error = run_->summary().error;
    if (!error.isEmpty())
        report_.pictureFailed(pictures_.value(lastPrepared_), error);
    const int signalNumber = signals_.received();
    report_.finish(done_, failed_, signalNumber);
    private_.reset();
    QCoreApplication::exit(signalNumber != 0 ? ExitStatusForSignal(signalNumber) : failed_ > 0 || !error.isEmpty() ? 1 : 0);
}
