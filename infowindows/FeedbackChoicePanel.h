#pragma once
#include <QFrame>

class QLabel;

// A clickable panel that stands for one choice ("I like it!", "I dislike it!"). Selected, it is
// lowered and drawn in the highlight colours; otherwise raised in the button colours. The
// colours are set on the panel itself, so they hold under any style.
class FeedbackChoicePanel : public QFrame {
    Q_OBJECT

public:
    FeedbackChoicePanel(const QString &picture, QWidget *parent = nullptr);

    void setCaption(const QString &caption);
    QString caption() const;
    void setSelected(bool selected);
    bool isSelected() const { return selected; }

    QLabel *Image = nullptr; // the face at the panel's left edge

signals:
    void pressed(Qt::MouseButton button);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QLabel *Caption = nullptr;
    bool selected = false;
};
