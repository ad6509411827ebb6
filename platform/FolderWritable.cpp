#include "platform/FolderWritable.h"

#include "platform/AppPaths.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

bool IsFolderWritable(const QString &folder)
{
    const QString probe = WithTrailingSlash(folder) + QStringLiteral("chk.tmp");
    const QByteArray path = QFile::encodeName(probe);
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::unlink(path.constData()); // ours alone: O_EXCL guarantees we created it
    ::close(fd);
    return true;
}
