#include "platform/WindowDragFilter.h"

#include <QMouseEvent>
#include <QWidget>

WindowDragFilter::WindowDragFilter(QWidget *window, bool anyButtonButRight)
    : QObject(window), window(window), drag(anyButtonButRight)
{
    window->installEventFilter(this);
}

void WindowDragFilter::DragFrom(QWidget *part)
{
    part->installEventFilter(this);
}

bool WindowDragFilter::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        drag.Press(mouse->button(), mouse->globalPosition().toPoint());
        break;
    }
    case QEvent::MouseMove:
        if (const auto topLeft = drag.Move(static_cast<QMouseEvent *>(event)->globalPosition().toPoint(), window->pos()))
            window->move(*topLeft);
        break;
    case QEvent::MouseButtonRelease:
        drag.Release();
        break;
    default:
        return false;
    }
    event->accept();
    return true;
}
