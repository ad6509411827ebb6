#include "scripts/OutputNaming.h"

#include "platform/Errors.h"
#include "platform/NewFile.h"

#include <cerrno>

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
// Any entry takes a name: a file, a folder, a FIFO, a link (dangling or not, never followed).
bool fileExists(const QString &path)
{
    return EntryExists(path);
}

// The first free name as folder and base without the extension: "base" itself when
// "base.ext" is free, else "base (2)", "base (3)", ...
QString FirstFreeStem(const FileNameParts &parts)
{
    const QString stem = parts.folder + parts.base;
    if (!fileExists(stem + parts.extension))
        return stem;
    for (quint64 n = 2;; ++n) {
        const QString candidate = stem + QStringLiteral(" (") + QString::number(n) + QLatin1Char(')');
        if (!fileExists(candidate + parts.extension))
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
