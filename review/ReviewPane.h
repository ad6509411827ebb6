#pragma once
#include "imagelist/FaceReview.h"

#include <QFutureWatcher>
#include <QImage>
#include <QSize>
#include <QWidget>

// A picture decoded for showing: scaled down to at most a screen's size, with the size of the
// upright picture the boxes refer to.
struct ShownPicture {
    QImage image;
    QSize uprightSize;
    QString error;
};

// Decodes `path` upright (turned as its orientation tag says, as the engine and the scripts see
// it), scaled to fit within `bound`.
ShownPicture LoadShownPicture(const QString &path, QSize bound);

// The review pane: the selected entry's picture upright, scaled to fit, with its face boxes.
// The user selects a box by clicking it (Tab and Shift+Tab step through them), drops it with
// Delete (it stays, crossed out) and restores it with Insert, and draws a new box by dragging
// on the picture. Page Down and Page Up ask for the next and previous entry. The picture is
// decoded in the background; only the shown entry's picture is held.
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

    QString path_;
    FaceReview review_;
    ShownPicture picture_;
    QFutureWatcher<ShownPicture> loading_;
    quint64 loadGeneration_ = 0;
    int selected_ = -1;
    bool readOnly_ = false;
    bool dragging_ = false;
    QPointF dragFrom_;
    QPointF dragTo_;
};
