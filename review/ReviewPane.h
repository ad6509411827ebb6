#pragma once
#include "imagelist/FaceReview.h"

#include <QFutureWatcher>
#include <QImage>
#include <QSize>
#include <QWidget>

// A picture decoded for showing, as stored (not turned by any tag), scaled down to at most a
// screen's size, with the stored size the engine's boxes are measured against once turned.
struct ShownPicture {
    QImage image;
    QSize storedSize;
    QString error;
};

// Decodes `path` as stored, ignoring its orientation tag (readers disagree on such tags; the
// pane turns the picture by the orientation the engine reported), scaled to fit within `bound`.
ShownPicture LoadShownPicture(const QString &path, QSize bound);

// `stored` turned upright as EXIF orientation `orientation` (1 to 8) says; other values leave it.
QImage TurnedUpright(const QImage &stored, int orientation);
// The size of a picture of size `stored` once turned upright by `orientation`.
QSize UprightSize(QSize stored, int orientation);

// What the pane says for a video: its faces are not reviewed before the run.
inline const QString VideoReviewNote = QStringLiteral("A video: its faces are found frame by frame during the run.");

// The review pane: the selected entry's picture upright, scaled to fit, with its face boxes.
// The user selects a box by clicking it (Tab and Shift+Tab step through them), drops it with
// Delete (it stays, crossed out) and restores it with Insert, and draws a new box by dragging
// on the picture. Page Down and Page Up ask for the next and previous entry. The picture is
// decoded in the background; only the shown entry's picture is held. A video is not shown: the
// pane says that its faces are found during the run.
class ReviewPane : public QWidget {
    Q_OBJECT

public:
    explicit ReviewPane(QWidget *parent = nullptr);
    ~ReviewPane() override;

    // Shows the entry at `path` with its review (boxes appear once review.searched is set).
    void showEntry(const QString &path, const FaceReview &review);
    // Replaces the shown entry's review (a search ended); the picture stays.
    void updateReview(const FaceReview &review);
    void clearEntry();
    QString shownPath() const { return path_; }
    const FaceReview &review() const { return review_; }
    bool pictureShown() const { return !picture_.image.isNull(); }
    bool videoShown() const { return video_; }
    // The picture as drawn (turned by the review's orientation) and the frame its boxes refer to.
    QImage shownImage() const { return upright_; }
    QSize uprightSize() const { return UprightSize(picture_.storedSize, review_.orientation); }

    // Takes the keyboard focus with the first face selected.
    void startReview();
    int selectedFace() const { return selected_; }
    // No edits while a run goes.
    void setReadOnly(bool readOnly);

signals:
    void stepRequested(int step); // +1 next entry, -1 previous
    void reviewEdited();          // the user dropped, restored or drew a box

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QRectF pictureArea() const;              // where the picture is drawn, in widget pixels
    QRectF toWidget(const QRect &box) const; // picture pixels to widget pixels
    QRect toPicture(const QRectF &area) const;
    int boxAt(const QPointF &point) const;
    void selectFace(int index);
    void setDropped(bool dropped);
    void edited();
    void describe();
    void turnPicture(); // upright_ from picture_ and the review's orientation

    QString path_;
    FaceReview review_;
    ShownPicture picture_;
    QImage upright_;
    int uprightOrientation_ = 0;
    QFutureWatcher<ShownPicture> loading_;
    quint64 loadGeneration_ = 0;
    int selected_ = -1;
    bool video_ = false;
    bool readOnly_ = false;
    bool dragging_ = false;
    QPointF dragFrom_;
    QPointF dragTo_;
};
