#include "imagelist/ImageListView.h"

#include "imagelist/DroppedPaths.h"
#include "imagelist/ImageListModel.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMimeData>

namespace {
// Marks a drag that started in the list; it carries no data, the current entry is what moves.
const QString entryDragType = QStringLiteral("application/x-mirelon-image-entry");
} // namespace

ImageListView::ImageListView(ImageListModel *model, QWidget *parent) : QTreeView(parent), model_(model)
{
    setModel(model);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(false);
}

void ImageListView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete) {
        emit deleteKeyPressed();
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void ImageListView::startDrag(Qt::DropActions)
{
    if (!selectionModel()->hasSelection())
        return;
    // Our own drag instead of the item view's: the view would remove the selected rows after a
    // move, while here the drop handler alone decides what moves.
    auto *drag = new QDrag(this);
    auto *data = new QMimeData;
    data->setData(entryDragType, QByteArray());
    drag->setMimeData(data);
    drag->exec(Qt::MoveAction);
}

bool ImageListView::takeDrag(QDropEvent &event) const
{
    const bool internal = event.source() == this;
    if (!(internal ? event.mimeData()->hasFormat(entryDragType) : event.mimeData()->hasUrls())) {
        event.ignore();
        return false;
    }
    event.setDropAction(internal ? Qt::MoveAction : Qt::CopyAction);
    event.accept();
    return true;
}

void ImageListView::dragEnterEvent(QDragEnterEvent *event)
{
    if (takeDrag(*event))
        setState(DraggingState);
}

void ImageListView::dragMoveEvent(QDragMoveEvent *event)
{
    QTreeView::dragMoveEvent(event); // scrolls the list when the pointer nears an edge
    takeDrag(*event);
}

void ImageListView::dropEvent(QDropEvent *event)
{
    stopAutoScroll();
    setState(NoState);
    if (!takeDrag(*event))
        return;
    if (event->source() == this)
        emit entryDropped(event->position().toPoint());
    else
        emit pathsDropped(DroppedPaths(*event->mimeData()));
    viewport()->update();
}
