#include "imagelist/FolderScan.h"

#include "imagelist/FileExtensions.h"
#include "platform/AppPaths.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

namespace {
struct DirCloser {
    void operator()(DIR *dir) const { ::closedir(dir); }
};

bool isFolder(DIR *dir, const dirent &entry)
{
    if (entry.d_type == DT_DIR)
        return true;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
        return false;
    struct stat status; // a link counts as what it points to
    return ::fstatat(::dirfd(dir), entry.d_name, &status, 0) == 0 && S_ISDIR(status.st_mode);
}
} // namespace

QList<FolderFile> FilesInFolder(const QString &dirName)
{
    if (dirName.isEmpty()) // would be taken for the working folder
        return {};
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(QFile::encodeName(dirName).constData()));
    if (!dir)
        return {};
    const QString prefix = WithTrailingSlash(dirName);
    QList<FolderFile> files;
    while (const dirent *entry = ::readdir(dir.get())) {
        if (isFolder(dir.get(), *entry)) // "." and ".." among them
            continue;
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString name = decoder.decode(QByteArrayView(entry->d_name));
        files.append(FolderFile{prefix + name, !decoder.hasError()});
    }
    return files;
}

QList<FolderFile> PicturesInFolder(const QString &dirName)
{
    QList<FolderFile> pictures;
    for (const FolderFile &file : FilesInFolder(dirName))
        if ((IsImageFileName(file.path) || IsVideoFileName(file.path)) && (!file.nameIsText || QFileInfo(file.path).isFile()))
            pictures.append(file);
    return pictures;
}
