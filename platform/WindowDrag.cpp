#include "platform/WindowDrag.h"

void WindowDrag::Press(Qt::MouseButton button, const QPoint &screenPos)
{
    if (button == Qt::RightButton || (!anyButtonButRight && button != Qt::LeftButton && button != Qt::MiddleButton))
        return;
    dragging = true;
    dx = screenPos.x();
    dy = screenPos.y();
}

std::optional<QPoint> WindowDrag::Move(const QPoint &screenPos, const QPoint &windowTopLeft)
{
    if (!dragging)
        return std::nullopt;
    const QPoint moved(windowTopLeft.x() + (screenPos.x() - dx), windowTopLeft.y() + (screenPos.y() - dy));
    dx = screenPos.x();
    dy = screenPos.y();
    return moved;
}
