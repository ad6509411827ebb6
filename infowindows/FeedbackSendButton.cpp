#include "infowindows/FeedbackSendButton.h"

#include <QKeyEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

void FeedbackSendButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QIcon picture = option.icon;
    const QString caption = option.text;
    option.icon = QIcon();
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option); // bevel and focus frame only

    const QSize pictureSize = iconSize();
    const QRect pictureRect(PictureMargin, (height() - pictureSize.height()) / 2, pictureSize.width(),
                            pictureSize.height());
    const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
    picture.paint(&painter, pictureRect, Qt::AlignCenter, mode);

    QRect textRect = rect();
    textRect.setLeft(pictureRect.right() + 1);
    painter.drawItemText(textRect, Qt::AlignCenter | Qt::TextShowMnemonic, palette(), isEnabled(), caption,
                         QPalette::ButtonText);
}

void FeedbackSendButton::keyPressEvent(QKeyEvent *event)
{
    // A button that is not a default button ignores Enter in Qt; this one must still send.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        event->accept();
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}
