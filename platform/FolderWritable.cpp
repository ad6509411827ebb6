#include "platform/FolderWritable.h"

#include "platform/AppPaths.h"
#include "platform/Errors.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
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

void CheckFolderWritable(const QString &folder)
{
    QByteArray probe = QFile::encodeName(WithTrailingSlash(folder) + QStringLiteral(".mirelon-check-XXXXXX"));
    const int fd = ::mkostemp(probe.data(), O_CLOEXEC); // O_EXCL: never a file that was there
    if (fd < 0) {
        const int error = errno;
        throw MirelonError(QStringLiteral("Cannot write to the folder \"%1\": %2")
                               .arg(folder, QString::fromLocal8Bit(std::strerror(error))));
    }
    ::unlink(probe.constData());
    ::close(fd);
}
