#include "platform/NamedLock.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
QString runtimeFolder()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(QString::fromLocal8Bit(runtime)).exists())
        return QString::fromLocal8Bit(runtime);
    return QDir::tempPath();
}

int openLockFile(const QString &name)
{
    const QByteArray path = QFile::encodeName(runtimeFolder() + QLatin1Char('/') + name);
    return ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}
} // namespace

NamedLock::NamedLock(const QString &name) : file(openLockFile(name))
{
    if (file.valid())
        locked = ::flock(file.get(), LOCK_EX | LOCK_NB) == 0;
}
