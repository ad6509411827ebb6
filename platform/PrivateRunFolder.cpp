#include "platform/PrivateRunFolder.h"

#include "platform/Errors.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char OwnerFile[] = "/.owner";

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}
} // namespace

PrivateRunFolder::PrivateRunFolder(const QString &parent, const QString &prefix)
{
    QByteArray name = QFile::encodeName(parent + QLatin1Char('/') + prefix + QStringLiteral("XXXXXX"));
    if (!::mkdtemp(name.data()))
        throw MirelonError(QStringLiteral("Cannot create a private folder in \"%1\": %2").arg(parent, systemError()));
    path_ = QFile::decodeName(name);
    const QByteArray owner = name + OwnerFile;
    lock_ = ::open(owner.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock_ < 0 || ::flock(lock_, LOCK_EX | LOCK_NB) != 0) {
        const QString error = systemError();
        if (lock_ >= 0)
            ::close(lock_);
        QDir(path_).removeRecursively();
        throw MirelonError(QStringLiteral("Cannot lock the private folder \"%1\": %2").arg(path_, error));
    }
}

PrivateRunFolder::~PrivateRunFolder()
{
    QDir(path_).removeRecursively();
    ::close(lock_);
}

QStringList RemoveAbandonedRunFolders(const QString &parent, const QString &prefix)
{
    QStringList removed;
    const QFileInfoList candidates = QDir(parent).entryInfoList({prefix + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo &folder : candidates) {
        struct stat status {};
        const QByteArray path = QFile::encodeName(folder.filePath());
        if (::lstat(path.constData(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid())
            continue;
        const int lock = ::open((path + OwnerFile).constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
        if (lock < 0)
            continue;
        // Free only when no process holds it: its owner has gone.
        if (::flock(lock, LOCK_EX | LOCK_NB) == 0 && QDir(folder.filePath()).removeRecursively())
            removed << folder.filePath();
        ::close(lock);
    }
    return removed;
}

std::unique_ptr<PrivateRunFolder> FreshRunFolder(const QString &parent, const QString &prefix)
{
    RemoveAbandonedRunFolders(parent, prefix);
    return std::make_unique<PrivateRunFolder>(parent, prefix);
}
