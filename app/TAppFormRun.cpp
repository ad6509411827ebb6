// The face processing run of the main window ("Convert", then "Stop"): gathers the window's
// values, starts the run in processing/ and shows how it goes.
#include "app/TAppForm.h"

#include "app/AppState.h"
#include "app/FailedImagesBox.h"
#include "app/MessageDlgWithCaptions.h"
#include "app/MirelonApplication.h"
#include "imagelist/AddErrorBox.h"
#include "imagelist/ImageEntry.h"
#include "platform/AppPaths.h"
#include "processing/ActionRun.h"
#include "processing/BatchRun.h"
#include "processing/ConvertRun.h"
#include "processing/PhpRuntime.h"
#include "processing/RunPrompts.h"
#include "processing/RunStatusText.h"
#include "processing/VideoStep.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QIcon>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>

namespace {
const QString StopQuestion = QStringLiteral("Images are being processed.\r\rStop the run?");
} // namespace

void TAppForm::Button1Click()
{
    if (RunInProgress()) {
        StopRun();
        return;
    }
    ConvertRequest request;
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *entry = ListView1->topLevelItem(i);
        request.sizes.append({entry->text(WidthColumn), entry->text(HeightColumn)});
    }
    request.phpDir = PhpDirOf(ExecutableFolder());
    request.destination = Edit1->text();
    request.actionText = ComboBoxAction->currentText();

    const RunPrompts &replaced = ReplacedRunPrompts();
    ConvertWindow window;
    window.confirm = replaced.confirm ? replaced.confirm
                                      : [this](const QString &question) { return ConfirmYesNo(question, this); };
    window.showError = replaced.showError ? replaced.showError
                                          : [this](const QString &text) { ShowErrorBox(this, text); };
    window.startRun = [this, phpDir = request.phpDir](Action action) {
        switch (action) {
        case Action::ExportFacePositions:
            ExportFacePositions(phpDir);
            break;
        case Action::MarkFacesInImage:
            MarkFacesInImage(phpDir);
            break;
        case Action::BlurFacesInImage:
            BlurFacesInImage(phpDir);
            break;
        case Action::SaveFacesAsSeparateImages:
            SaveFacesAsSeparateImages(phpDir);
            break;
        }
    };
    window.setStatus = [this](const QString &text) { SetStatusPanelText(text); };
    window.beep = [] { QApplication::beep(); };
    Convert(request, window);
}

void TAppForm::ExportFacePositions(const QString &PhpDir)
{
    StartRun(Action::ExportFacePositions, PhpDir);
}

void TAppForm::MarkFacesInImage(const QString &PhpDir)
{
    StartRun(Action::MarkFacesInImage, PhpDir);
}

void TAppForm::BlurFacesInImage(const QString &PhpDir)
{
    StartRun(Action::BlurFacesInImage, PhpDir);
}

void TAppForm::SaveFacesAsSeparateImages(const QString &PhpDir)
{
    StartRun(Action::SaveFacesAsSeparateImages, PhpDir);
}

void TAppForm::StartRun(Action action, const QString &PhpDir)
{
    ActionRunValues values;
    values.phpDir = PhpDir;
    values.libraryPath = LibraryPath(ExecutableFolder());
    values.settingsDir = SettingsDir;
    values.formatText = ComboBoxExtension->currentText();
    values.videoCoverSeconds = VideoCoverSecondsFrom(
        SettingsIni.value(QStringLiteral("Settings"), QStringLiteral("VideoCoverSeconds"), QString()));
    // The destination is read at each image's turn, as typed then.
    const PrepareImage prepare = ActionImages(action, values, [this] { return Edit1->text(); });

    QStringList paths;
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
        paths << ListView1->topLevelItem(i)->text(ImageFileColumn);
    BatchOptions options;
    options.maxJobs = 1; // one image at a time, top to bottom
    options.timeLimit = ImageTimeLimitFrom(
        SettingsIni.value(QStringLiteral("Settings"), QStringLiteral("ImageTimeLimit"), QString()));

    CurrentRun = new BatchRun(paths, prepare, options, this);
    connect(CurrentRun, &BatchRun::imageStarted, this, &TAppForm::RunImageStarted);
    connect(CurrentRun, &BatchRun::imageFinished, this, &TAppForm::RunImageFinished);
    connect(CurrentRun, &BatchRun::imageOutput, this, [this, paths](qsizetype index, const QByteArray &piece) {
        if (const std::optional<FrameCount> frames = LastFrameProgress(piece))
            SetStatusPanelText(VideoProcessingText(paths[index], frames->frame, frames->total));
    });
    connect(CurrentRun, &BatchRun::finished, this, &TAppForm::RunFinished);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    SetRunControls(true);
    RunProgress->setRange(0, int(paths.size()));
    RunProgress->setValue(0);
    RunProgress->setVisible(!paths.isEmpty());
    CurrentRun->start();
}

void TAppForm::RunImageStarted(qsizetype index, const QString &path)
{
    SetStatusPanelText(ProcessingText(path, index + 1, CurrentRun->total(), CurrentRun->millisecondsLeft()));
    MemoCMD->clear();
}

void TAppForm::RunImageFinished(const ImageOutcome &outcome)
{
    MemoCMD->setPlainText(outcome.output); // bounded by the job
    RunProgress->setValue(int(CurrentRun->done()));
}

void TAppForm::RunFinished(const BatchSummary &summary)
{
    CurrentRun->deleteLater();
    CurrentRun = nullptr;
    RunProgress->setVisible(false);
    SetRunControls(false);
    QApplication::restoreOverrideCursor();

    const RunPrompts &replaced = ReplacedRunPrompts();
    if (!summary.error.isEmpty()) {
        // The run ended early: the status keeps the image it ended at, no beep.
        if (replaced.reportError)
            replaced.reportError(summary.error);
        else
            MirelonApplication::ShowUnhandledError(summary.error);
        return;
    }
    SetStatusPanelText(RunEndText(summary));
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

void TAppForm::StopRun()
{
    if (CurrentRun)
        CurrentRun->stop();
}

void TAppForm::SetRunControls(bool running)
{
    Button1->setText(running ? QStringLiteral("Stop") : QStringLiteral("Convert"));
    Button1->setIcon(QIcon(running ? QStringLiteral(":/icons/stop.svg") : QStringLiteral(":/icons/convert.svg")));
    Button1->setShortcut(running ? QKeySequence(Qt::Key_Escape) : QKeySequence());
    Button1->setToolTip(running ? QStringLiteral("Stop the run (Esc)") : QString());

    // The list stays as it is while the run walks it.
    for (QWidget *control : {static_cast<QWidget *>(ToolButton1), static_cast<QWidget *>(ToolButton2),
                             static_cast<QWidget *>(ButtonUp), static_cast<QWidget *>(ButtonDown),
                             static_cast<QWidget *>(ButtonTop), static_cast<QWidget *>(ButtonBottom)})
        control->setEnabled(!running);
    for (QAction *action : {Clear1, AddFile1, AddFolder1, Delete1, DeleteAll1, ResettoDefaults1})
        action->setEnabled(!running);
    setAcceptDrops(!running);
    ListView1->setDragEnabled(!running);
    ListView1->viewport()->setAcceptDrops(!running);
}

void TAppForm::closeEvent(QCloseEvent *event)
{
    if (!RunInProgress()) {
        QMainWindow::closeEvent(event);
        return;
    }
    const RunPrompts &replaced = ReplacedRunPrompts();
    const int answer = replaced.confirm ? replaced.confirm(StopQuestion) : ConfirmYesNo(StopQuestion, this);
    if (answer != mrYes) {
        event->ignore();
        return;
    }
    if (CurrentRun) { // it may have ended while the question was open
        // Ends the image in hand at once and removes what it left unfinished.
        disconnect(CurrentRun, nullptr, this, nullptr);
        delete CurrentRun;
        CurrentRun = nullptr;
        RunProgress->setVisible(false);
        SetRunControls(false);
        QApplication::restoreOverrideCursor();
    }
    event->accept();
}
