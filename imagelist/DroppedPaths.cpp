#include "imagelist/DroppedPaths.h"

#include <QMimeData>
#include <QUrl>

QStringList DroppedPaths(const QMimeData &data)
{
    QStringList paths;
    for (const QUrl &url : data.urls())
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    return paths;
}
