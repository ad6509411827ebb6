#pragma once
#include <QList>
#include <QString>

// One file found in a folder.
struct FolderFile {
    QString path;        // the folder path with a trailing "/" ensured, plus the file name
    bool nameIsText = true; // false: the name's bytes are not UTF-8, so `path` (with U+FFFD in
                            // their place) names no file and cannot be handed on
};

// The files directly inside the folder, hidden ones included, in the order the file system
// lists them; folders (also through a link) are skipped and not entered, every other entry is
// listed, whatever it is. A folder that cannot be listed gives nothing.
QList<FolderFile> FilesInFolder(const QString &dirName);

// The pictures a folder gives: the files FilesInFolder lists whose extension belongs to the
// scanned set (IsImageFileName) or name a video (IsVideoFileName) and that are regular files (after following a link). Names that
// are not UTF-8 are kept, with nameIsText false, so that the caller can name them.
QList<FolderFile> PicturesInFolder(const QString &dirName);
