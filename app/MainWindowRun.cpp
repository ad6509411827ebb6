// The face processing run of the main window ("Convert", then "Stop"): gathers the window's
// values, starts the run in processing/ and shows how it goes.
#include "app/MainWindow.h"

#include "app/AppState.h"
#include "app/FailedImagesBox.h"
#include "app/MessageDlgWithCaptions.h"
#include "app/MirelonApplication.h"
#include "imagelist/AddErrorBox.h"
#include "imagelist/ImageListModel.h"
#include "imagelist/ImageListView.h"
#include "platform/Errors.h"
#include "platform/PrivateRunFolder.h"
#include "platform/AppPaths.h"
#include "processing/ActionRun.h"
#include "processing/BatchRun.h"
#include "processing/ConvertRun.h"
#include "processing/InOrderPublisher.h"
#include "processing/PictureOutputs.h"
#include "processing/PhpRuntime.h"
#include "processing/RunPrompts.h"
#include "processing/RunStatusText.h"
#include "processing/VideoStep.h"
#include "imagelist/FileExtensions.h"
#include "review/ReviewPane.h"
#include "scripts/ShellQuote.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QIcon>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QThread>

namespace {
const QString StopQuestion = QStringLiteral("Images are being processed.\r\rStop the run?");
} // namespace

void MainWindow::convertOrStop()
{
    if (runInProgress()) {
        stopRun();
        return;
    }
    ConvertRequest request;
    for (int i = 0; i < imageModel_->count(); ++i) {
        const QSize size = imageModel_->entry(i).size;
        request.sizes.append({QString::number(size.width()), QString::number(size.height())});
    }
    request.phpDir = PhpDirOf(ExecutableFolder());
    request.destination = destinationEdit_->text();
    request.actionText = actionCombo_->currentText();

    const RunPrompts &replaced = ReplacedRunPrompts();
    ConvertWindow window;
    window.confirm = replaced.confirm ? replaced.confirm
                                      : [this](const QString &question) { return ConfirmYesNo(question, this); };
    window.showError = replaced.showError ? replaced.showError
                                          : [this](const QString &text) { ShowErrorBox(this, text); };
    window.startRun = [this, phpDir = request.phpDir](Action action) { startRun(action, phpDir); };
    window.setStatus = [this](const QString &text) { statusText_->setText(text); };
    window.beep = [] { QApplication::beep(); };
    Convert(request, window);
}

void MainWindow::startRun(Action action, const QString &phpDir)
{
    ActionRunValues values;
    values.phpDir = phpDir;
    values.libraryPath = LibraryPath(ExecutableFolder());
    values.settingsDir = SettingsDir;
    values.formatText = formatCombo_->currentText();
    values.videoCoverSeconds = VideoCoverSecondsFrom(
        SettingsIni.value(QStringLiteral("Settings"), QStringLiteral("VideoCoverSeconds"), QString()));
    // The destination is locked during the run: read once, here.
    const QString destination = destinationEdit_->text();

    // Several images at once when the machine has the cores (Jobs in [Settings]); Save Faces
    // numbers its files in the destination itself and so runs one image at a time.
    int jobs = RunJobsFrom(SettingsIni.value(QStringLiteral("Settings"), QStringLiteral("Jobs"), QString()),
                           QThread::idealThreadCount());
    if (action == Action::SaveFacesAsSeparateImages)
        jobs = 1;
    // A video uses every core by itself, and is written under its own passing name.
    for (int i = 0; i < imageModel_->count() && jobs > 1; ++i)
        if (IsVideoFileName(imageModel_->entry(i).path))
            jobs = 1;
    runStaging_.reset();
    publisher_.reset();
    publishFailures_.clear();
    PrepareImage prepareAction;
    if (jobs > 1) {
        runStaging_ = FreshRunFolder(QDir::tempPath(), QStringLiteral("mirelon-run-"));
        prepareAction = StagedWindowImages(action, values, runStaging_->path());
        publisher_ = std::make_unique<InOrderPublisher>(
            imageModel_->count(), [this, action, format = values.formatText, destination](int index) {
                const QString staging = WindowStagingFolder(runStaging_->path(), index);
                try {
                    PublishWindowOutput(action, format, staging, destination);
                } catch (const MirelonError &error) {
                    publishFailures_.append({imageModel_->entry(index).path, error.message()});
                }
                QDir(staging).removeRecursively();
            });
    } else {
        prepareAction = ActionImages(action, values, [destination] { return destination; });
    }

    // Reviewed entries whose file is as it was: the script gets the kept boxes through a faces
    // file named in the image's environment. Any other entry is searched by the script.
    runFacesFolder_.reset();
    QStringList paths;
    QStringList facesFiles;
    for (int i = 0; i < imageModel_->count(); ++i) {
        paths << imageModel_->entry(i).path;
        imageModel_->forgetStaleReview(i);
        QString facesFile;
        if (imageModel_->review(i).reviewed) {
            if (!runFacesFolder_) {
                runFacesFolder_ = FreshRunFolder(QDir::tempPath(), QStringLiteral("mirelon-faces-"));
            }
            facesFile = runFacesFolder_->filePath(QString::number(i) + QStringLiteral(".faces"));
            QFile file(facesFile);
            if (!file.open(QIODevice::WriteOnly) || file.write(FacesFileText(imageModel_->review(i).orientation, imageModel_->review(i).keptBoxes())) < 0
                || !file.flush())
                throw MirelonError(QStringLiteral("Cannot write the reviewed faces to ") + facesFile);
        }
        facesFiles << facesFile;
    }
    const PrepareImage prepare = [prepareAction, facesFiles](qsizetype index, const QString &path, int slot) {
        PreparedImage prepared = prepareAction(index, path, slot);
        if (!facesFiles[index].isEmpty())
            prepared.command = FacesFileVariable + QLatin1Char('=') + ShellQuoted(facesFiles[index])
                               + QLatin1Char(' ') + prepared.command;
        return prepared;
    };

    BatchOptions options;
    options.maxJobs = jobs;
    options.timeLimit = ImageTimeLimitFrom(
        SettingsIni.value(QStringLiteral("Settings"), QStringLiteral("ImageTimeLimit"), QString()));

    run_ = new BatchRun(paths, prepare, options, this);
    connect(run_, &BatchRun::imageStarted, this, &MainWindow::runImageStarted);
    connect(run_, &BatchRun::imageFinished, this, &MainWindow::runImageFinished);
    connect(run_, &BatchRun::imageOutput, this, [this, paths](qsizetype index, const QByteArray &piece) {
        if (const std::optional<FrameCount> frames = LastFrameProgress(piece))
            statusText_->setText(VideoProcessingText(paths[index], frames->frame, frames->total));
    });
    connect(run_, &BatchRun::finished, this, &MainWindow::runFinished);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    setRunControls(true);
    runProgress_->setRange(0, int(paths.size()));
    runProgress_->setValue(0);
    runProgress_->setVisible(!paths.isEmpty());
    run_->start();
}

void MainWindow::runImageStarted(qsizetype index, const QString &path)
{
    statusText_->setText(ProcessingText(path, index + 1, run_->total(), run_->millisecondsLeft()));
    lastRunOutput_.clear();
}

void MainWindow::runImageFinished(const ImageOutcome &outcome)
{
    if (publisher_) {
        if (outcome.failure || outcome.result.stopped)
            QDir(WindowStagingFolder(runStaging_->path(), outcome.index)).removeRecursively();
        publisher_->ended(int(outcome.index), !outcome.failure && !outcome.result.stopped);
    }
    lastRunOutput_ = outcome.output; // bounded by the job
    runProgress_->setValue(int(run_->done()));
}

void MainWindow::runFinished(const BatchSummary &finished)
{
    BatchSummary summary = finished;
    if (publisher_) {
        publisher_->finish(); // a stopped run keeps what had finished, in order
        summary.failures += publishFailures_;
    }
    run_->deleteLater();
    run_ = nullptr;
    endRun();

    const RunPrompts &replaced = ReplacedRunPrompts();
    if (!summary.error.isEmpty()) {
        // The run ended early: the status keeps the image it ended at, no beep.
        if (replaced.reportError)
            replaced.reportError(summary.error);
        else
            MirelonApplication::ShowUnhandledError(summary.error);
        return;
    }
    statusText_->setText(RunEndText(summary));
    QApplication::beep();
    if (summary.failures.isEmpty())
        return;
    const QString heading = FailedImagesHeading(summary.failures.size());
    const QString list = FailedImagesText(summary.failures);
    if (replaced.showFailures)
        replaced.showFailures(heading, list);
    else
        ShowFailedImagesBox(this, heading, list);
}

void MainWindow::endRun()
{
    publisher_.reset();
    runStaging_.reset();
    runFacesFolder_.reset();
    runProgress_->setVisible(false);
    setRunControls(false);
    QApplication::restoreOverrideCursor();
}

void MainWindow::stopRun()
{
    if (run_)
        run_->stop();
}

void MainWindow::setRunControls(bool running)
{
    convertButton_->setText(running ? QStringLiteral("Stop") : QStringLiteral("Convert"));
    convertButton_->setIcon(QIcon(running ? QStringLiteral(":/icons/stop.svg") : QStringLiteral(":/icons/convert.svg")));
    convertButton_->setShortcut(running ? QKeySequence(Qt::Key_Escape) : QKeySequence());
    convertButton_->setToolTip(running ? QStringLiteral("Stop the run (Esc)") : QString());

    // The list and the run's settings stay as they are while the run walks the list.
    for (QAction *action : {clearAction_, addFilesAction_, addFolderAction_, deleteSelectedAction_, deleteAllAction_,
                            resetToDefaultsAction_, moveUpAction_, moveDownAction_, moveToTopAction_, moveToBottomAction_})
        action->setEnabled(!running);
    for (QWidget *control : {static_cast<QWidget *>(actionCombo_), static_cast<QWidget *>(formatCombo_),
                             static_cast<QWidget *>(destinationEdit_), static_cast<QWidget *>(chooseDestinationButton_)})
        control->setEnabled(!running);
    reviewPane_->setReadOnly(running);
    setAcceptDrops(!running);
    imageList_->setDragEnabled(!running);
    imageList_->viewport()->setAcceptDrops(!running);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!runInProgress()) {
        storeWindowSize();
        QMainWindow::closeEvent(event);
        return;
    }
    const RunPrompts &replaced = ReplacedRunPrompts();
    const int answer = replaced.confirm ? replaced.confirm(StopQuestion) : ConfirmYesNo(StopQuestion, this);
    if (answer != mrYes) {
        event->ignore();
        return;
    }
    if (run_) { // it may have ended while the question was open
        // Ends the image in hand at once and removes what it left unfinished.
        disconnect(run_, nullptr, this, nullptr);
        delete run_;
        run_ = nullptr;
        endRun();
    }
    storeWindowSize();
    event->accept();
}
