#pragma once
#include "platform/WindowDrag.h"

#include <QObject>

class QWidget;

// Lets the mouse move a caption-less window by its body: installed on the window and on the
// parts of it that should drag too, it takes their presses (a double-click's second press
// included), moves and releases and moves the window as WindowDrag says. Parts it is not
// installed on keep their own mouse handling; what they ignore reaches the window.
class WindowDragFilter : public QObject {
    Q_OBJECT

public:
    // Installs itself on `window`, which also owns it.
    explicit WindowDragFilter(QWidget *window, bool anyButtonButRight = false);

    // Dragging from `part` too.
    void DragFrom(QWidget *part);
    bool Dragging() const { return drag.Dragging(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *window;
    WindowDrag drag;
};
