#pragma once
#include "imagelist/FaceReview.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QSize>
#include <QString>

#include <vector>

// One entry of the image list: the path as it was obtained, the picture's size in pixels and the
// review of its faces. List order is run order.
struct ImageListEntry {
    quint64 id = 0; // unique for the model's lifetime: results that arrive later find their entry
    QString path;
    QSize size;
    QIcon icon;
    FaceReview review;
};

// The image list's entries as a table: "Image File" (with the file's icon), "Width", "Height" and
// "Faces" (how many faces a run will cover; empty until known; reviewed entries carry a mark).
// Entries move with beginMoveRows, so a view's selection and a review follow the entry.
class ImageListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { ImageFileColumn = 0, WidthColumn, HeightColumn, FacesColumn, ColumnCount };

    explicit ImageListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    int count() const { return int(entries_.size()); }
    const ImageListEntry &entry(int row) const { return entries_[size_t(row)]; }
    QStringList paths() const;
    // Position of the entry with this id, or -1 when it is gone.
    int rowOf(quint64 id) const;

    void append(const QString &path, QSize size, const QIcon &icon = QIcon());
    void clear();
    // Moves entry `from` so that it ends at position `to`; out-of-range positions do nothing.
    void moveEntry(int from, int to);
    // Removes the entries at these positions (any order, duplicates allowed).
    void removeEntries(QList<int> rows);

    // The entry's review as it stands, or replaced.
    const FaceReview &review(int row) const { return entry(row).review; }
    void setReview(int row, const FaceReview &review);

    // The entry's review, valid only while the file is as it was when searched: a file whose size
    // or modification time changed drops its review (and boxes) here.
    bool reviewIsCurrent(int row) const;
    void forgetStaleReview(int row);

private:
    std::vector<ImageListEntry> entries_;
    quint64 nextId_ = 1;
};

// The status bar text for a number of entries: "0 files", "1 file", "12 files".
QString ImageCountText(int count);
