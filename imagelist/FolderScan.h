#pragma once
#include <QStringList>

// Paths of the files directly inside the folder, hidden ones included, in the order the file
// system lists them; folders are skipped and not entered. Each path is the folder path with a
// trailing "/" ensured plus the file name. A folder that cannot be listed gives no paths.
QStringList FilesInFolder(const QString &dirName);

// The pictures a folder gives: its regular files (after following a link) whose extension
// belongs to the scanned set (IsImageFileName), in the order FilesInFolder lists them.
QStringList PicturesInFolder(const QString &dirName);
