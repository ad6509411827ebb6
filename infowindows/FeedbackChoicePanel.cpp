#include "infowindows/FeedbackChoicePanel.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>

FeedbackChoicePanel::FeedbackChoicePanel(const QString &picture, QWidget *parent) : QFrame(parent)
{
    setFrameShape(QFrame::Panel);
    setLineWidth(1);
    setAutoFillBackground(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);

    Caption = new QLabel(this);
    Caption->setAlignment(Qt::AlignCenter);
    QFont captionFont = Caption->font();
    captionFont.setPixelSize(16);
    Caption->setFont(captionFont);

    // The picture lies over the caption's left end, 3 pixels inside the bevel.
    Image = new QLabel(this);
    Image->setGeometry(4, 4, 32, 32);
    Image->setScaledContents(true);
    Image->setPixmap(QIcon(picture).pixmap(QSize(32, 32), devicePixelRatioF()));

    setSelected(false);
}

void FeedbackChoicePanel::setCaption(const QString &caption)
{
    Caption->setText(caption);
    setAccessibleName(caption);
}

QString FeedbackChoicePanel::caption() const
{
    return Caption->text();
}

void FeedbackChoicePanel::setSelected(bool isOn)
{
    selected = isOn;
    const QPalette system = QApplication::palette();
    QPalette look = palette();
    look.setColor(QPalette::Window, system.color(isOn ? QPalette::Highlight : QPalette::Button));
    look.setColor(QPalette::WindowText, system.color(isOn ? QPalette::HighlightedText : QPalette::WindowText));
    setPalette(look);
    Caption->setPalette(look);
    setFrameShadow(isOn ? QFrame::Sunken : QFrame::Raised);
    setAccessibleDescription(isOn ? QStringLiteral("selected") : QStringLiteral("not selected"));
}

void FeedbackChoicePanel::mousePressEvent(QMouseEvent *event)
{
    emit pressed(event->button());
    event->accept();
}

void FeedbackChoicePanel::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    Caption->setGeometry(contentsRect());
    Image->raise();
}
