#pragma once

class QFileDialog;
class QString;
class QWidget;

// The Add Files dialog: several existing files, filters "Image Files" (png, jpg, jpeg, gif; the
// first, selected) and "All Files" (every name, with or without a dot). The caller owns the
// dialog.
QFileDialog *NewAddFilesDialog(QWidget *parent);

// The Add Folder dialog: titled "Select folder:", OK labelled "Select", several existing folders
// at once, opening inside `lastFolder`. The caller owns the dialog.
QFileDialog *NewAddFolderDialog(QWidget *parent, const QString &lastFolder);
