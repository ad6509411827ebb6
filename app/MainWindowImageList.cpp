// Image list handlers of the main window: adding, ordering, removing and opening entries.
#include "app/MainWindow.h"

#include "app/AppState.h"
#include "imagelist/AddErrorBox.h"
#include "imagelist/DroppedPaths.h"
#include "imagelist/FileDialogs.h"
#include "imagelist/FileExtensions.h"
#include "imagelist/FileIcons.h"
#include "imagelist/FolderScan.h"
#include "imagelist/ImageListModel.h"
#include "imagelist/ImageListView.h"
#include "imagelist/ListEditing.h"
#include "imagelist/PictureSize.h"
#include "platform/DesktopShell.h"
#include "platform/Errors.h"
#include "platform/RegularFile.h"

#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <memory>

QString MainWindow::currentEntryPath() const
{
    const int current = CurrentEntryIndex(*imageList_);
    return current < 0 ? QString() : imageModel_->entry(current).path;
}

void MainWindow::clearList()
{
    if (runInProgress())
        return; // the list is locked while a run walks it
    imageModel_->clear();
    updateImageCount();
}

void MainWindow::chooseFiles()
{
    const std::unique_ptr<QFileDialog> dialog(NewAddFilesDialog(this));
    if (dialog->exec() != QDialog::Accepted)
        return;
    for (const QString &file : dialog->selectedFiles())
        addImage(file);
}

void MainWindow::chooseFolders()
{
    const std::unique_ptr<QFileDialog> dialog(NewAddFolderDialog(this, LastFolder));
    if (dialog->exec() != QDialog::Accepted)
        return;
    const QStringList folders = dialog->selectedFiles();
    if (folders.isEmpty())
        return;
    LastFolder = folders.constFirst();
    for (const QString &folder : folders)
        addFolder(folder);
}

void MainWindow::moveUp()
{
    MoveCurrentUp(*imageList_);
}

void MainWindow::moveDown()
{
    MoveCurrentDown(*imageList_);
}

void MainWindow::moveToTop()
{
    MoveCurrentToTop(*imageList_);
}

void MainWindow::moveToBottom()
{
    MoveCurrentToBottom(*imageList_);
}

void MainWindow::moveCurrentEntryBefore(const QPoint &position)
{
    if (runInProgress())
        return; // the list is locked while a run walks it
    MoveCurrentBefore(*imageList_, imageList_->indexAt(position).row());
}

void MainWindow::deleteSelected()
{
    if (runInProgress())
        return; // the list is locked while a run walks it
    DeleteSelectedEntries(*imageList_);
    updateImageCount();
}

void MainWindow::openCurrent()
{
    if (const QString path = currentEntryPath(); !path.isEmpty())
        OpenWithDesktop(path);
}

void MainWindow::openCurrentFolderLocation()
{
    if (const QString path = currentEntryPath(); !path.isEmpty())
        ShowInFileManager(path);
}

void MainWindow::showCurrentProperties()
{
    if (const QString path = currentEntryPath(); !path.isEmpty())
        ShowFileProperties(path);
}

void MainWindow::addImage(const QString &path)
{
    try {
        const QSize size = ReadPictureSize(path);
        imageModel_->append(path, size, FileIconFor(path));
    } catch (const std::exception &error) {
        ReportAddError(this, AddErrorText(path, ErrorMessage(error)));
    }
    updateImageCount();
}

void MainWindow::addFolder(const QString &folder)
{
    for (const FolderFile &file : FilesInFolder(folder)) {
        if (!IsImageFileName(file.path) && !IsVideoFileName(file.path))
            continue;
        if (file.nameIsText) {
            addImage(file.path);
        } else {
            ReportAddError(this, AddErrorText(file.path, UnreadableNameMessage()));
            updateImageCount();
        }
    }
}

void MainWindow::updateImageCount()
{
    statusText_->setText(ImageCountText(imageModel_->count()));
}

void MainWindow::addDroppedPaths(const QStringList &paths)
{
    if (runInProgress())
        return; // the list is locked while a run walks it
    for (const QString &path : paths) {
        try {
            if (QFileInfo(path).isDir()) // a link to a folder counts as the folder
                addFolder(path);
            else if (IsDropFileName(path))
                addImage(path);
        } catch (...) {
            // One bad item does not stop the rest of the drop.
        }
    }
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        QMainWindow::dragEnterEvent(event);
}

void MainWindow::dropEvent(QDropEvent *event)
{
    if (!event->mimeData()->hasUrls()) {
        QMainWindow::dropEvent(event);
        return;
    }
    event->acceptProposedAction();
    addDroppedPaths(DroppedPaths(*event->mimeData()));
}
