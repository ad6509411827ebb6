// Settings handlers of the main window: destination, format, destination chooser, reset.
#include "app/MainWindow.h"

#include "platform/AppIdentity.h"
#include "app/AppState.h"
#include "app/MessageDlgWithCaptions.h"
#include "app/MirelonApplication.h"
#include "app/RestartApplication.h"
#include "app/SettingsLocation.h"
#include "platform/AppPaths.h"
#include "platform/Errors.h"
#include "platform/TextTrim.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QStandardPaths>

namespace {
const QString settingsSection = QStringLiteral("Settings");
const QString destinationKey = QStringLiteral("Destination");
const QString formatKey = QStringLiteral("Format");

QString settingsFileName()
{
    return SettingsDir + QStringLiteral("settings.ini");
}

// Stores one setting and rewrites the file. The handlers that call this are guarded, so a
// failed write is reported by the default error box; the control keeps what the user entered.
void writeSetting(const QString &key, const QString &value)
{
    SettingsIni.setValue(settingsSection, key, value);
    SettingsIni.save();
}
} // namespace

void MainWindow::openSettings()
{
    SettingsDir = ChooseSettingsDir(ExecutableFolder(),
                                    QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
                                    AppCompanyName, AppProductName);
    try {
        SettingsIni = OpenSettingsStore(settingsFileName());
    } catch (const MirelonError &error) {
        // Unreadable even after deleting it (say, a folder of that name): say so and go on with
        // an empty store, so the window stays usable; its writes report their own failures.
        MirelonApplication::ShowUnhandledError(error.message());
        SettingsIni = IniStore(settingsFileName());
    }
}

void MainWindow::loadSettings()
{
    destinationEdit_->setText(SettingsIni.value(settingsSection, destinationKey, QString())); // runs storeDestination
    if (destinationEdit_->text().isEmpty())
        destinationEdit_->setText(DefaultDestination());

    // Exact match, letter case included; selecting by program does not store the format.
    const QString format = SettingsIni.value(settingsSection, formatKey, QStringLiteral("PNG"));
    for (int i = 0; i < formatCombo_->count(); ++i)
        if (formatCombo_->itemText(i) == format) {
            formatCombo_->setCurrentIndex(i);
            break;
        }
}

void MainWindow::storeDestination()
{
    // While the user types, a text that the file cannot hold yet ("/home/my " on the way to
    // "/home/my folder") waits for the end of the edit; any other text is stored, or refused, now.
    if (destinationEdit_->hasFocus() && !IniStore::CanHoldValue(destinationEdit_->text()))
        return;
    writeSetting(destinationKey, destinationEdit_->text());
}

void MainWindow::destinationEditFinished()
{
    if (!IniStore::CanHoldValue(destinationEdit_->text()))
        writeSetting(destinationKey, destinationEdit_->text()); // refused: the user is told why
}

void MainWindow::storeFormat()
{
    writeSetting(formatKey, formatCombo_->currentText());
}

void MainWindow::chooseDestination()
{
    // Opens in the folder last chosen in this run; the first time, at the dialog's own default.
    QFileDialog dialog(this, QStringLiteral("Select folder:"), LastFolder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Select"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    LastFolder = dialog.selectedFiles().constFirst();
    setDestinationFolder(LastFolder);
}

void MainWindow::setDestinationFolder(const QString &foldername)
{
    if (TrimControlChars(foldername).isEmpty())
        return;
    LastFolder = foldername;
    destinationEdit_->setText(LastFolder); // runs storeDestination
}

void MainWindow::resetToDefaults()
{
    if (ConfirmYesNo(QStringLiteral("Restart Application?"), this) != mrYes)
        return;
    DeleteSettingsAndRestart(settingsFileName(), ExecutablePath());
    QCoreApplication::quit(); // the in-memory store is not written back
}
