#include "imagelist/FileIcons.h"

#include "imagelist/FileExtensions.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QHash>

QIcon FileIconFor(const QString &path)
{
    // Looking the icon up costs a MIME type match and a theme search; a folder of a thousand
    // photos needs it once.
    static QFileIconProvider provider;
    static QHash<QString, QIcon> byExtension;
    const QString key = LowerAsciiLetters(FileExtension(path));
    if (const auto known = byExtension.constFind(key); known != byExtension.constEnd())
        return *known;
    QIcon icon = provider.icon(QFileInfo(path));
    if (icon.isNull())
        icon = provider.icon(QAbstractFileIconProvider::File);
    byExtension.insert(key, icon);
    return icon;
}
