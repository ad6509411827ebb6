#include "scripts/OutputNaming.h"

#include "platform/Errors.h"

#include <QFileInfo>

QString WithTrailingSlash(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString WithoutTrailingSlash(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder.chopped(1) : folder;
}

FileNameParts SplitFileName(const QString &filename)
{
    if (filename.contains(QChar(u'\0')))
        throw MirelonError(QStringLiteral("Invalid characters in path"));
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

QString FindFilenameThatDoesNotExist(const QString &filename)
{
    const FileNameParts parts = SplitFileName(filename);
    if (!fileExists(filename))
        return filename;
    for (quint64 n = 2;; ++n) {
        const QString candidate = parts.folder + parts.base + QStringLiteral(" (") + QString::number(n)
                                  + QLatin1Char(')') + parts.extension;
        if (!fileExists(candidate))
            return candidate;
    }
}

QString OutputTextPath(const QString &destination)
{
    return FindFilenameThatDoesNotExist(WithTrailingSlash(destination) + QStringLiteral("output.txt"));
}

QString OutputBase(const QString &destination, const QString &outputFormat)
{
    const QString chosen =
        FindFilenameThatDoesNotExist(WithTrailingSlash(destination) + QStringLiteral("output.") + outputFormat);
    const FileNameParts parts = SplitFileName(chosen);
    return parts.folder + parts.base;
}
