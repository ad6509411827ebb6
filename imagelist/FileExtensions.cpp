#include "imagelist/FileExtensions.h"

#include <QStringList>

QString LowerAsciiLetters(const QString &text)
{
    QString lowered = text;
    for (QChar &c : lowered)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    return lowered;
}

QString FileExtension(const QString &path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || path.indexOf(QLatin1Char('/'), dot) >= 0)
        return {};
    return path.mid(dot);
}

namespace {
bool HasExtensionIn(const QString &path, std::initializer_list<const char *> set)
{
    const QString ext = LowerAsciiLetters(FileExtension(path));
    for (const char *member : set)
        if (ext == QLatin1String(member))
            return true;
    return false;
}
} // namespace

bool IsImageFileName(const QString &path)
{
    return HasExtensionIn(path, {".bmp", ".gif", ".png", ".tif", ".tiff", ".jpg", ".jpeg", ".heic", ".heif", ".avif"});
}

bool IsVideoFileName(const QString &path)
{
    return HasExtensionIn(path, {".mp4", ".m4v", ".mov", ".mkv", ".webm", ".avi"});
}

bool IsDropFileName(const QString &path)
{
    return HasExtensionIn(path, {".png", ".jpg", ".jpeg", ".gif", ".heic", ".heif", ".avif"}) || IsVideoFileName(path);
}
