// The face processing run of the main window ("Convert"): gathers the window's values and
// hands them to the run logic in processing/ and scripts/.
#include "app/TAppForm.h"

#include "app/AppState.h"
#include "app/MessageDlgWithCaptions.h"
#include "imagelist/AddErrorBox.h"
#include "imagelist/ImageEntry.h"
#include "platform/AppPaths.h"
#include "processing/ActionRun.h"
#include "processing/ConvertRun.h"
#include "processing/PhpRuntime.h"
#include "processing/RunPrompts.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTreeWidget>

namespace {
void runAction(TAppForm &form, Action action, const QString &PhpDir)
{
    ActionRunValues values;
    values.phpDir = PhpDir;
    values.libraryPath = LibraryPath(ExecutableFolder());
    values.settingsDir = SettingsDir;
    values.formatText = form.ComboBoxExtension->currentText();

    ActionRunWindow window;
    window.entryCount = [&form] { return qsizetype(form.ListView1->topLevelItemCount()); };
    window.entryPath = [&form](qsizetype index) { return form.ListView1->topLevelItem(int(index))->text(ImageFileColumn); };
    window.destination = [&form] { return form.Edit1->text(); };
    window.setStatus = [&form](const QString &text) { form.SetStatusPanelText(text); };
    window.processEvents = [] { QApplication::processEvents(); };
    window.clearOutput = [&form] { form.MemoCMD->clear(); };
    window.appendOutput = AppendToTextBox(form.MemoCMD);
    RunAction(action, values, window);
}
} // namespace

void TAppForm::Button1Click()
{
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
    window.setBusyCursor = [](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::BusyCursor);
        else
            QApplication::restoreOverrideCursor();
    };
    window.processEvents = [] { QApplication::processEvents(); };
    window.runAction = [this, phpDir = request.phpDir](Action action) {
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
    runAction(*this, Action::ExportFacePositions, PhpDir);
}

void TAppForm::MarkFacesInImage(const QString &PhpDir)
{
    runAction(*this, Action::MarkFacesInImage, PhpDir);
}

void TAppForm::BlurFacesInImage(const QString &PhpDir)
{
    runAction(*this, Action::BlurFacesInImage, PhpDir);
}

void TAppForm::SaveFacesAsSeparateImages(const QString &PhpDir)
{
    runAction(*this, Action::SaveFacesAsSeparateImages, PhpDir);
}
