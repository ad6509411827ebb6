#pragma once
#include <QStringList>
#include <QTreeView>

class ImageListModel;

// The image list control: a report-style view of an ImageListModel that reorders its entries by
// dragging inside it, hands files dropped from a file manager on to its owner, and reports the
// Delete key.
class ImageListView : public QTreeView {
    Q_OBJECT

public:
    explicit ImageListView(ImageListModel *model, QWidget *parent = nullptr);
    ImageListModel &imageModel() const { return *model_; }

signals:
    // Delete pressed in the list, with or without Shift, Ctrl or Alt.
    void deleteKeyPressed();
    // An entry dragged inside the list was released at this point of the viewport.
    void entryDropped(const QPoint &position);
    // Files or folders from elsewhere were dropped on the list.
    void pathsDropped(const QStringList &paths);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Accepts the drag (entries of this list, or files from elsewhere) with the fitting action,
    // or ignores it; true when accepted.
    bool takeDrag(QDropEvent &event) const;

    ImageListModel *model_;
};
