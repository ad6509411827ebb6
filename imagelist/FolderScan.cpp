#include "imagelist/FolderScan.h"

#include "platform/AppPaths.h"

#include <QDir>

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
