#include "scripts/OutputNaming.h"

#include "platform/Errors.h"

#include <QFileInfo>

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
bool fileExists(const QString &path)
{
    return QFileInfo(path).isFile();
}
} // namespace

namespace {
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

QString OutputTextPath(const QString &destination)
{
    return FindFilenameThatDoesNotExist(WithTrailingSlash(destination) + QStringLiteral("output.txt"));
}

QString OutputBase(const QString &destination, const QString &outputFormat)
{
    return FirstFreeStem(SplitFileName(WithTrailingSlash(destination) + QStringLiteral("output.") + outputFormat));
}
