#include "imagelist/ImageListModel.h"

#include <QApplication>
#include <QStyle>

#include <algorithm>

ImageListModel::ImageListModel(QObject *parent) : QAbstractTableModel(parent) {}

int ImageListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

int ImageListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ImageListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const ImageListEntry &e = entry(index.row());
    const FaceReview &review = e.review;
    const bool facesKnown = review.searched && review.error.isEmpty();
    switch (index.column()) {
    case ImageFileColumn:
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole) // the column is often too narrow
            return e.path;
        if (role == Qt::DecorationRole)
            return e.icon;
        break;
    case WidthColumn:
        if (role == Qt::DisplayRole)
            return QString::number(e.size.width());
        break;
    case HeightColumn:
        if (role == Qt::DisplayRole)
            return QString::number(e.size.height());
        break;
    case FacesColumn:
        if (role == Qt::DisplayRole)
            return facesKnown ? QString::number(review.keptBoxes().size()) : QString();
        if (role == Qt::DecorationRole && review.reviewed)
            return QApplication::style()->standardIcon(QStyle::SP_DialogApplyButton);
        if (role == Qt::ToolTipRole || role == Qt::AccessibleTextRole) {
            if (!review.error.isEmpty())
                return QStringLiteral("Not searched: ") + review.error;
            if (!facesKnown)
                return QString();
            const QString faces = QString::number(review.keptBoxes().size());
            return review.reviewed ? faces + QStringLiteral(", reviewed") : faces;
        }
        break;
    default:
        break;
    }
    if (role == Qt::TextAlignmentRole && index.column() != ImageFileColumn)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant ImageListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case ImageFileColumn:
        return QStringLiteral("Image File");
    case WidthColumn:
        return QStringLiteral("Width");
    case HeightColumn:
        return QStringLiteral("Height");
    case FacesColumn:
        return QStringLiteral("Faces");
    default:
        return {};
    }
}

Qt::ItemFlags ImageListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

QStringList ImageListModel::paths() const
{
    QStringList list;
    list.reserve(count());
    for (const ImageListEntry &e : entries_)
        list.append(e.path);
    return list;
}

int ImageListModel::rowOf(quint64 id) const
{
    for (int row = 0; row < count(); ++row)
        if (entries_[size_t(row)].id == id)
            return row;
    return -1;
}

void ImageListModel::append(const QString &path, QSize size, const QIcon &icon)
{
    beginInsertRows(QModelIndex(), count(), count());
    entries_.push_back({nextId_++, path, size, icon, {}});
    endInsertRows();
}

void ImageListModel::clear()
{
    beginResetModel();
    entries_.clear();
    endResetModel();
}

void ImageListModel::moveEntry(int from, int to)
{
    if (from < 0 || from >= count() || to < 0 || to >= count() || from == to)
        return;
    beginMoveRows(QModelIndex(), from, from, QModelIndex(), from < to ? to + 1 : to);
    ImageListEntry moved = std::move(entries_[size_t(from)]);
    entries_.erase(entries_.begin() + from);
    entries_.insert(entries_.begin() + to, std::move(moved));
    endMoveRows();
}

void ImageListModel::removeEntries(QList<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        const int row = *it;
        if (row < 0 || row >= count())
            continue;
        beginRemoveRows(QModelIndex(), row, row);
        entries_.erase(entries_.begin() + row);
        endRemoveRows();
    }
}

void ImageListModel::setReview(int row, const FaceReview &review)
{
    if (row < 0 || row >= count())
        return;
    entries_[size_t(row)].review = review;
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

bool ImageListModel::reviewIsCurrent(int row) const
{
    const FaceReview &r = review(row);
    return r.searched && r.stamp == StampOf(entry(row).path);
}

void ImageListModel::forgetStaleReview(int row)
{
    if (row >= 0 && row < count() && review(row).searched && !reviewIsCurrent(row))
        setReview(row, FaceReview());
}

QString ImageCountText(int count)
{
    return QString::number(count) + (count == 1 ? QStringLiteral(" file") : QStringLiteral(" files"));
}
