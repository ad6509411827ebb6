#pragma once
#include <QString>
#include <QStringList>

// The pictures named on the command line, each as an absolute path.
struct PictureArguments {
    QStringList pictures;
    QStringList problems; // "path: reason" for each PATH that is neither a file nor a folder
};

// A file is taken as it is (whatever its extension); a folder gives its pictures as Add Folder
// does (PicturesInFolder), in that order. Relative paths are taken against the current folder.
PictureArguments ExpandPictureArguments(const QStringList &paths);
