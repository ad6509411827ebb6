#pragma once
#include <QPushButton>

// A push button with its picture at the left edge, a few pixels in, and the caption centred in
// the space right of the picture. Enter presses it while it has the focus, as Space does, even
// though it is not the window's default button.
class FeedbackSendButton : public QPushButton {
    Q_OBJECT

public:
    static constexpr int PictureMargin = 5;
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};
