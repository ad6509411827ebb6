#pragma once
#include <QDateTime>
#include <QList>
#include <QRect>
#include <QString>

// One face box of an entry, in pixels of the upright picture (as the engine and the scripts see
// it). A box the search found can be dropped by the user and restored; a drawn box was added by
// the user.
struct ReviewedBox {
    QRect rect;
    bool dropped = false;
    bool drawn = false;
    bool operator==(const ReviewedBox &) const = default;
};

// The state of a file when it was searched: a review belongs to the file as it was then.
struct FileStamp {
    qint64 size = -1;
    QDateTime modified;
    bool operator==(const FileStamp &) const = default;
};

// The current stamp of the file at `path`; size -1 when it cannot be read.
FileStamp StampOf(const QString &path);

// The faces of one list entry: found by the search, then changed by the user.
struct FaceReview {
    bool searched = false;   // the search ended (boxes valid, or error set)
    QString error;           // the search failed: why
    FileStamp stamp;         // of the file that was searched
    QList<ReviewedBox> boxes;    // found boxes first (left to right), then drawn ones
    int orientation = 1;     // how the engine turned the picture upright (EXIF orientation 1 to 8)
    bool reviewed = false;   // the user changed the boxes: the run uses them instead of a search

    // The boxes a run covers: found ones not dropped, and drawn ones.
    QList<QRect> keptBoxes() const;
};

// The environment variable that names an image's faces file for the detection library: when it
// is set, the library returns the orientation and boxes listed there instead of searching.
inline const QString FacesFileVariable = QStringLiteral("MIRELON_FACES_FILE");

// The text of a faces file, in the engine's own result form: "orientation N", then one line
// "x y width height" per kept box, LF after each line.
QByteArray FacesFileText(int orientation, const QList<QRect> &boxes);

// Orders boxes as the detection library does: left to right, then top to bottom.
void SortLikeLibrary(QList<QRect> &boxes);
