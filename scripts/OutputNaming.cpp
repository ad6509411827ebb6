#include "scripts/OutputNaming.h"

#include "platform/Errors.h"
#include "platform/FileDescriptor.h"
#include "platform/NewFile.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

void CheckPathCharacters(const QString &path)
{
    if (path.contains(QChar(u'\0')))
        throw MirelonError(QStringLiteral("Invalid characters in path"));
}

FileNameParts SplitFileName(const QString &filename)
{
    CheckPathCharacters(filename);
    const qsizetype nameStart = filename.lastIndexOf(QLatin1Char('/')) + 1;
    const QString name = filename.mid(nameStart);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    FileNameParts parts;
    parts.folder = filename.left(nameStart);
    parts.base = dot < 0 ? name : name.left(dot);
    parts.extension = dot < 0 ? QString() : name.mid(dot);
    return parts;
}

namespace {
// The n-th name of a stem: the stem itself for 1, else "stem (n)".
QString NumberedStem(const QString &stem, quint64 n)
{
    return n == 1 ? stem : stem + QStringLiteral(" (") + QString::number(n) + QLatin1Char(')');
}

// The first free name as folder and base without the extension: "base" itself when
// "base.ext" is free, else "base (2)", "base (3)", ... Any entry takes a name (EntryExists).
QString FirstFreeStem(const FileNameParts &parts)
{
    const QString stem = parts.folder + parts.base;
    for (quint64 n = 1;; ++n) {
        const QString candidate = NumberedStem(stem, n);
        if (!EntryExists(candidate + parts.extension))
            return candidate;
    }
}
} // namespace

QString FindFilenameThatDoesNotExist(const QString &filename)
{
    const FileNameParts parts = SplitFileName(filename);
    return FirstFreeStem(parts) + parts.extension;
}

namespace {
FileNameParts textOutputName(const QString &destination)
{
    return SplitFileName(WithTrailingSlash(destination) + QStringLiteral("output.txt"));
}

FileNameParts imageOutputName(const QString &destination, const QString &outputFormat)
{
    return SplitFileName(WithTrailingSlash(destination) + QStringLiteral("output.") + outputFormat);
}

// The first free stem whose name could be created as a new file; a name taken between the
// look and the creation is passed over.
QString CreateFirstFreeFile(const FileNameParts &parts, bool &created)
{
    for (;;) {
        const QString stem = FirstFreeStem(parts);
        created = OpenNewFile(stem + parts.extension).valid();
        if (created || errno != EEXIST)
            return stem; // not created: the folder is missing or not writable, and the write fails there too
    }
}
} // namespace

QString OutputTextPath(const QString &destination)
{
    const FileNameParts parts = textOutputName(destination);
    return FirstFreeStem(parts) + parts.extension;
}

QString OutputBase(const QString &destination, const QString &outputFormat)
{
    return FirstFreeStem(imageOutputName(destination, outputFormat));
}

ReservedOutput CreateOutputTextFile(const QString &destination)
{
    const FileNameParts parts = textOutputName(destination);
    ReservedOutput output;
    output.file = CreateFirstFreeFile(parts, output.created) + parts.extension;
    output.scriptName = output.file;
    return output;
}

ReservedOutput CreateOutputImageFile(const QString &destination, const QString &outputFormat)
{
    const FileNameParts parts = imageOutputName(destination, outputFormat);
    ReservedOutput output;
    output.scriptName = CreateFirstFreeFile(parts, output.created);
    output.file = output.scriptName + parts.extension;
    return output;
}

namespace {
QString systemText(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// Creates `target` exclusively and copies `source` into it; errno-style code, 0 on success.
// EEXIST means the name is taken. A partial copy is removed.
int copyExclusively(const QByteArray &source, const QString &targetName)
{
    FileDescriptor in(::open(source.constData(), O_RDONLY | O_CLOEXEC));
    if (!in.valid())
        return errno;
    FileDescriptor out = OpenNewFile(targetName);
    if (!out.valid())
        return errno;
    const QByteArray target = QFile::encodeName(targetName);
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(in.get(), buffer, sizeof buffer);
        int failure = count < 0 && errno != EINTR ? errno : 0;
        for (ssize_t written = 0; count > 0 && written < count && !failure;) {
            const ssize_t n = ::write(out.get(), buffer + written, size_t(count - written));
            if (n < 0 && errno != EINTR)
                failure = errno;
            else if (n > 0)
                written += n;
        }
        if (!failure && count == 0 && ::close(out.release()) != 0)
            failure = errno;
        if (failure) {
            ::unlink(target.constData());
            return failure;
        }
        if (count == 0)
            return 0;
    }
}
} // namespace

QString MoveToFreeName(const QString &source, const QString &folder, const QString &stem, const QString &extension)
{
    const QByteArray from = QFile::encodeName(source);
    bool sameFileSystem = true;
    for (quint64 n = 1;; ++n) {
        const QString name = NumberedStem(WithTrailingSlash(folder) + stem, n) + extension;
        CheckPathCharacters(name);
        const QByteArray to = QFile::encodeName(name);
        int failure = 0;
        if (sameFileSystem) {
            failure = ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0 ? 0 : errno;
            // Another file system, or one that cannot rename without replacing: copy instead.
            if (failure == EXDEV || failure == EINVAL || failure == ENOSYS || failure == ENOTSUP) {
                sameFileSystem = false;
                --n;
                continue;
            }
        } else {
            failure = copyExclusively(from, name);
            if (failure == 0)
                ::unlink(from.constData());
        }
        if (failure == 0)
            return name;
        if (failure != EEXIST)
            throw MirelonError(QStringLiteral("Cannot write \"%1\": %2").arg(name, systemText(failure)));
    }
}
