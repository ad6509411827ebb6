#include "imagelist/FaceReview.h"

#include <QFileInfo>

#include <algorithm>

FileStamp StampOf(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    return {info.size(), info.lastModified().toUTC()};
}

QList<QRect> FaceReview::keptBoxes() const
{
    QList<QRect> kept;
    for (const ReviewedBox &box : boxes)
        if (!box.dropped)
            kept.append(box.rect);
    return kept;
}

QByteArray FacesFileText(int orientation, const QList<QRect> &boxes)
{
    QByteArray text = "orientation " + QByteArray::number(orientation) + '\n';
    for (const QRect &box : boxes)
        text += QByteArray::number(box.x()) + ' ' + QByteArray::number(box.y()) + ' ' + QByteArray::number(box.width())
                + ' ' + QByteArray::number(box.height()) + '\n';
    return text;
}

void SortLikeLibrary(QList<QRect> &boxes)
{
    std::stable_sort(boxes.begin(), boxes.end(), [](const QRect &a, const QRect &b) {
        return a.x() != b.x() ? a.x() < b.x() : a.y() < b.y();
    });
}
