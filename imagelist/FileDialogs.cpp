#include "imagelist/FileDialogs.h"

#include <QAbstractItemView>
#include <QFileDialog>
#include <QFileInfo>

QFileDialog *NewAddFilesDialog(QWidget *parent)
{
    auto *dialog = new QFileDialog(parent);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setNameFilters({QStringLiteral("Image Files (*.png *.jpg *.jpeg *.gif *.heic *.heif *.avif)"),
                            QStringLiteral("Video Files (*.mp4 *.m4v *.mov *.mkv *.webm *.avi)"), QStringLiteral("All Files (*)")});
    dialog->selectNameFilter(dialog->nameFilters().constFirst());
    return dialog;
}

QFileDialog *NewAddFolderDialog(QWidget *parent, const QString &lastFolder)
{
    auto *dialog = new QFileDialog(parent, QStringLiteral("Select folder:"));
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    // The desktop's own folder pickers choose one folder only; Qt's dialog can pick several
    // once its views allow a multiple selection.
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
    dialog->setLabelText(QFileDialog::Accept, QStringLiteral("Select"));
    for (QAbstractItemView *view : dialog->findChildren<QAbstractItemView *>(QStringLiteral("listView")))
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (QAbstractItemView *view : dialog->findChildren<QAbstractItemView *>(QStringLiteral("treeView")))
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Opens inside the folder chosen last. No name is typed in: Qt would open the folder above
    // it with the name selected. A folder that is gone leaves the dialog where it would open anyway.
    if (QFileInfo(lastFolder).isDir())
        dialog->setDirectory(lastFolder);
    return dialog;
}
