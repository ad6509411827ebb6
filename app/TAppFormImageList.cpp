// Image list handlers of the main window: adding, ordering, removing and opening entries.
#include "app/TAppForm.h"

#include "app/AppState.h"
#include "imagelist/AddErrorBox.h"
#include "imagelist/DroppedPaths.h"
#include "imagelist/FileDialogs.h"
#include "imagelist/FileExtensions.h"
#include "imagelist/FileIcons.h"
#include "imagelist/FolderScan.h"
#include "imagelist/ImageEntry.h"
#include "imagelist/ListEditing.h"
#include "imagelist/PictureSize.h"
#include "platform/DesktopShell.h"
#include "platform/Errors.h"
#include "platform/RegularFile.h"

#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QToolButton>
#include <QTreeWidget>
#include <memory>

namespace {
// Path of the current entry (the selected entry with the lowest position), or empty.
QString CurrentEntryPath(const QTreeWidget &list)
{
    const int current = CurrentEntryIndex(list);
    return current < 0 ? QString() : list.topLevelItem(current)->text(ImageFileColumn);
}
} // namespace

void TAppForm::Clear1Click()
{
    if (RunInProgress())
        return; // the list is locked while a run walks it
    ListView1->clear();
    ResimSayisiDegisti();
}

void TAppForm::AddFile1Click()
{
    ToolButton1->click();
}

void TAppForm::AddFolder1Click()
{
    ToolButton2->click();
}

void TAppForm::ToolButton1Click()
{
    const std::unique_ptr<QFileDialog> dialog(NewAddFilesDialog(this));
    if (dialog->exec() != QDialog::Accepted)
        return;
    for (const QString &file : dialog->selectedFiles())
        Ekle(file);
}

void TAppForm::ToolButton2Click()
{
    const std::unique_ptr<QFileDialog> dialog(NewAddFolderDialog(this, LastFolder));
    if (dialog->exec() != QDialog::Accepted)
        return;
    const QStringList folders = dialog->selectedFiles();
    if (folders.isEmpty())
        return;
    LastFolder = folders.constFirst();
    for (const QString &folder : folders)
        AddFolderFiles(folder);
}

void TAppForm::ButtonUpClick()
{
    MoveCurrentUp(*ListView1);
}

void TAppForm::ButtonDownClick()
{
    MoveCurrentDown(*ListView1);
}

void TAppForm::ButtonTopClick()
{
    MoveCurrentToTop(*ListView1);
}

void TAppForm::ButtonBottomClick()
{
    MoveCurrentToBottom(*ListView1);
}

void TAppForm::ListView1DragDrop(const QPoint &position)
{
    if (RunInProgress())
        return; // the list is locked while a run walks it
    MoveCurrentBefore(*ListView1, ListView1->itemAt(position));
}

void TAppForm::Delete1Click()
{
    if (RunInProgress())
        return; // the list is locked while a run walks it
    DeleteSelectedEntries(*ListView1);
    ResimSayisiDegisti();
}

void TAppForm::DeleteAll1Click()
{
    Clear1Click();
}

void TAppForm::Open1Click()
{
    if (const QString path = CurrentEntryPath(*ListView1); !path.isEmpty())
        OpenWithDesktop(path);
}

void TAppForm::OpenFolderLocation1Click()
{
    if (const QString path = CurrentEntryPath(*ListView1); !path.isEmpty())
        ShowInFileManager(path);
}

void TAppForm::Properties1Click()
{
    if (const QString path = CurrentEntryPath(*ListView1); !path.isEmpty())
        ShowFileProperties(path);
}

void TAppForm::Ekle(const QString &isim)
{
    try {
        const QSize size = ReadPictureSize(isim);
        ListView1->addTopLevelItem(NewImageEntry(isim, size, FileIconFor(isim)));
    } catch (const std::exception &error) {
        ReportAddError(this, AddErrorText(isim, ErrorMessage(error)));
    }
    ResimSayisiDegisti();
}

void TAppForm::AddFolderFiles(const QString &foldername)
{
    AddAllFilesInDir(foldername);
}

void TAppForm::AddAllFilesInDir(const QString &dirName)
{
    for (const FolderFile &file : FilesInFolder(dirName)) {
        if (!IsImageFileName(file.path) && !IsVideoFileName(file.path))
            continue;
        if (file.nameIsText) {
            Ekle(file.path);
        } else {
            ReportAddError(this, AddErrorText(file.path, UnreadableNameMessage()));
            ResimSayisiDegisti();
        }
    }
}

void TAppForm::ResimSayisiDegisti()
{
    SetStatusPanelText(ImageCountText(ListView1->topLevelItemCount()));
}

void TAppForm::WMDropFiles(const QStringList &paths)
{
    if (RunInProgress())
        return; // the list is locked while a run walks it
    for (const QString &path : paths) {
        try {
            if (QFileInfo(path).isDir()) // a link to a folder counts as the folder
                AddFolderFiles(path);
            else if (IsDropFileName(path))
                Ekle(path);
        } catch (...) {
            // One bad item does not stop the rest of the drop.
        }
    }
}

void TAppForm::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        QMainWindow::dragEnterEvent(event);
}

void TAppForm::dropEvent(QDropEvent *event)
{
    if (!event->mimeData()->hasUrls()) {
        QMainWindow::dropEvent(event);
        return;
    }
    event->acceptProposedAction();
    WMDropFiles(DroppedPaths(*event->mimeData()));
}
