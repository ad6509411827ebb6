#pragma once
#include <QPoint>
#include <Qt>

#include <optional>

// Moving a caption-less window by dragging its body: the left or middle button (or, when asked,
// any button but the right one) starts a drag, any button ends it, and each move shifts the
// window by the mouse's screen offset.
class WindowDrag {
public:
    explicit WindowDrag(bool anyButtonButRight = false) : anyButtonButRight(anyButtonButRight) {}

    void Press(Qt::MouseButton button, const QPoint &screenPos);
    // The window's new top-left, or nothing when no drag is going on.
    std::optional<QPoint> Move(const QPoint &screenPos, const QPoint &windowTopLeft);
    void Release() { dragging = false; }
    bool Dragging() const { return dragging; }

private:
    bool anyButtonButRight;
    bool dragging = false;
    int dx = 0;
    int dy = 0;
};
