#pragma once
#include <QStringList>

// Paths of the files directly inside the folder, hidden ones included, in the order the file
// system lists them; folders are skipped and not entered. Each path is the folder path with a
// trailing "/" ensured plus the file name. A folder that cannot be listed gives no paths.
QStringList FilesInFolder(const QString &dirName);
