#pragma once
#include <QPushButton>

// A push button with its picture at the left edge, a few pixels in, and the caption centred in
// the space right of the picture.
class FeedbackSendButton : public QPushButton {
    Q_OBJECT

public:
    static constexpr int PictureMargin = 5;
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *event) override;
};
