#include "imagelist/FileIcons.h"

#include "imagelist/FileExtensions.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>

namespace {
QIcon LookUpIcon(const QString &path)
{
    static const QFileIconProvider provider;
    static const QIcon plainFile = provider.icon(QAbstractFileIconProvider::File);
    QIcon icon = provider.icon(QFileInfo(path));
    if (icon.isNull() || icon.name() == plainFile.name()) {
        // Icon themes rarely draw every picture format; their generic picture icon still tells
        // a photo from a document, as a file manager shows it.
        const QMimeType type = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension);
        const QIcon generic = QIcon::fromTheme(type.genericIconName());
        if (!generic.isNull())
            icon = generic;
    }
    return icon.isNull() ? plainFile : icon;
}
} // namespace

QIcon FileIconFor(const QString &path)
{
    // Looking an icon up costs a MIME type match and a theme search; a folder of a thousand
    // photos needs it once.
    static QHash<QString, QIcon> byExtension;
    const QString key = LowerAsciiLetters(FileExtension(path));
    if (const auto known = byExtension.constFind(key); known != byExtension.constEnd())
        return *known;
    const QIcon icon = LookUpIcon(path);
    byExtension.insert(key, icon);
    return icon;
}
