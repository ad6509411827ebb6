#include "imagelist/FolderScan.h"

#include "imagelist/FileExtensions.h"
#include "platform/AppPaths.h"

#include <QDir>
#include <QFileInfo>

QStringList FilesInFolder(const QString &dirName)
{
    if (dirName.isEmpty()) // QDir would take that for the working folder
        return {};
    const QString prefix = WithTrailingSlash(dirName);
    const QStringList names = QDir(dirName).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    QStringList paths;
    paths.reserve(names.size());
    for (const QString &name : names)
        paths.append(prefix + name);
    return paths;
}

QStringList PicturesInFolder(const QString &dirName)
{
    QStringList pictures;
    for (const QString &path : FilesInFolder(dirName))
        if (IsImageFileName(path) && QFileInfo(path).isFile())
            pictures.append(path);
    return pictures;
}
