#include "platform/RegularFile.h"

#include "platform/Errors.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>

namespace {
[[noreturn]] void raiseCannotOpen(int code)
{
    throw MirelonError(QStringLiteral("Cannot open the file: %1").arg(QString::fromStdString(std::system_category().message(code))));
}

void requireRegular(const struct stat &status)
{
    if (!S_ISREG(status.st_mode))
        throw MirelonError(S_ISDIR(status.st_mode) ? QStringLiteral("Cannot open the file: it is a folder")
                                                   : QStringLiteral("Cannot open the file: it is not a regular file (a FIFO, socket or device)"));
}
} // namespace

QString UnreadableNameMessage()
{
    return QStringLiteral("The file's name is not UTF-8 text, so it cannot be read; rename the file to add it");
}

FileDescriptor OpenRegularFileForReading(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status;
    if (::stat(name.constData(), &status) != 0) {
        if (errno == ENOENT && path.contains(QChar::ReplacementCharacter))
            throw MirelonError(UnreadableNameMessage()); // from a dialog or a drop that decoded it so
        raiseCannotOpen(errno);
    }
    requireRegular(status); // refused before any open: opening a FIFO or a device has effects

    // Non-blocking, in case the entry was swapped for a FIFO since; checked again on what was opened.
    FileDescriptor file(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!file.valid())
        raiseCannotOpen(errno);
    if (::fstat(file.get(), &status) != 0)
        raiseCannotOpen(errno);
    requireRegular(status);
    const int flags = ::fcntl(file.get(), F_GETFL);
    if (flags >= 0)
        ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK);
    return file;
}
