#pragma once
#include "platform/WindowDragFilter.h"

#include <QLabel>
#include <QString>
#include <QWidget>

class QFrame;
class QMouseEvent;
class QPropertyAnimation;
class QPushButton;
class QTimer;

// Ticks left until the notification closes itself; shared by every instance (one per run).
inline qint64 CloseCountdown = 11;

// The link of the notification: a label that reacts to a left click, Enter or Space.
class LinkLabel : public QLabel {
    Q_OBJECT

public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

// Borderless, always-on-top notification of a new version in the top right corner of the
// primary screen. Grows into view about 1 ms after creation, hands the focus back to the main
// window, can be dragged, and closes itself 11 seconds after creation. Closing only hides it.
class NewVersionWindow : public QWidget {
    Q_OBJECT

public:
    explicit NewVersionWindow(QWidget *mainWindow);

    static QString LinkText(const QString &productName, const QString &version);
    // Where the link leads: the download address when it is a web address, else the home page.
    static QString LinkTarget(const QString &downloadUrl);
    static QString HomePageAddress();

    QFrame *framePanel = nullptr;
    QLabel *iconImage = nullptr;
    QWidget *textPanel = nullptr;
    QLabel *headingLabel = nullptr;
    LinkLabel *downloadLink = nullptr;
    QWidget *closePanel = nullptr;
    QPushButton *closeButton = nullptr;
    QTimer *showTimer = nullptr;
    QTimer *closeCountdownTimer = nullptr;
    QTimer *linkHoverTimer = nullptr;

    WindowDragFilter *Drag = nullptr; // any button but the right one drags

public slots:
    void openDownload();
    void closeNotification();
    void growIntoView();
    void countDownToClose();
    void colourLinkUnderCursor();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void fillControls();
    void GiveFocusBack();
    void Animate(const QRect &from, const QRect &to, bool hideAtEnd);

    QWidget *mainWindow;
    QPropertyAnimation *animation = nullptr;
};
