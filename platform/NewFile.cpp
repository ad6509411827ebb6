#include "platform/NewFile.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

bool EntryExists(const QString &path)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}

FileDescriptor OpenNewFile(const QString &path)
{
    return FileDescriptor(::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
}
