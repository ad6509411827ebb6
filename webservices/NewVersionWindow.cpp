#include "webservices/NewVersionWindow.h"

#include "platform/AppIdentity.h"
#include "platform/ServiceHost.h"
#include "webservices/UpdateState.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace {
constexpr int ClientWidth = 320;
constexpr int ClientHeight = 68;
constexpr int AnimationMs = 100;

// The close glyph: a cross drawn on 32 x 32 and shown at the button's size.
QIcon closeGlyph(const QColor &colour)
{
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour, 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(8, 8, 24, 24);
    painter.drawLine(24, 8, 8, 24);
    return QIcon(picture);
}

QRect collapsedAtCentre(const QRect &rect)
{
    return QRect(rect.center(), QSize(1, 1));
}
} // namespace

void LinkLabel::mousePressEvent(QMouseEvent *event)
{
    event->accept(); // a press on the link never reaches the panels below (no drag)
}

void LinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void LinkLabel::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space)
        emit clicked();
    else
        QLabel::keyPressEvent(event);
}

NewVersionWindow::NewVersionWindow(QWidget *mainWindow)
    : QWidget(mainWindow, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("NewVer"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    setCursor(Qt::ArrowCursor);
    setWindowTitle(QStringLiteral("UPDATE AVAILABLE"));

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSizeConstraint(QLayout::SetNoConstraint); // the animations shrink it below its layout

    framePanel = new QFrame(this);
    framePanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    framePanel->setLineWidth(1);
    outer->addWidget(framePanel);
    auto *row = new QHBoxLayout(framePanel);
    row->setContentsMargins(1, 1, 1, 1);
    row->setSpacing(0);

    iconImage = new QLabel(framePanel);
    iconImage->setFixedWidth(66);
    iconImage->setContentsMargins(3, 3, 3, 3);
    iconImage->setAlignment(Qt::AlignCenter);
    row->addWidget(iconImage);

    textPanel = new QWidget(framePanel);
    auto *column = new QVBoxLayout(textPanel);
    column->setContentsMargins(3, 3, 3, 3);
    column->setSpacing(0);
    headingLabel = new QLabel(textPanel);
    headingLabel->setAlignment(Qt::AlignCenter);
    QFont heading = font();
    heading.setPixelSize(13);
    heading.setBold(true);
    headingLabel->setFont(heading);
    column->addWidget(headingLabel);
    downloadLink = new LinkLabel(textPanel);
    downloadLink->setAlignment(Qt::AlignCenter);
    downloadLink->setWordWrap(true);
    QFont link = font();
    link.setPixelSize(13);
    link.setUnderline(true);
    downloadLink->setFont(link);
    downloadLink->setCursor(Qt::PointingHandCursor);
    downloadLink->setFocusPolicy(Qt::TabFocus);
    downloadLink->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    column->addWidget(downloadLink, 1);
    row->addWidget(textPanel, 1);

    closePanel = new QWidget(framePanel);
    closePanel->setFixedWidth(22);
    auto *side = new QVBoxLayout(closePanel);
    side->setContentsMargins(0, 0, 0, 0);
    closeButton = new QPushButton(closePanel);
    closeButton->setFixedSize(22, 22);
    closeButton->setCursor(Qt::PointingHandCursor);
    closeButton->setIcon(closeGlyph(palette().color(QPalette::ButtonText)));
    closeButton->setIconSize(QSize(14, 14));
    closeButton->setFlat(true);
    closeButton->setAccessibleName(QStringLiteral("Close"));
    closeButton->setToolTip(QStringLiteral("Close"));
    side->addWidget(closeButton);
    side->addStretch(1);
    row->addWidget(closePanel);

    // Dragging works from the window, framePanel, the icon, the heading and closePanel, not from textPanel,
    // the link or the close button.
    Drag = new WindowDragFilter(this, /*anyButtonButRight=*/true);
    for (QWidget *source : {static_cast<QWidget *>(framePanel), static_cast<QWidget *>(iconImage),
                            static_cast<QWidget *>(headingLabel), closePanel})
        Drag->DragFrom(source);
    textPanel->installEventFilter(this);

    showTimer = new QTimer(this);
    showTimer->setInterval(1);
    closeCountdownTimer = new QTimer(this);
    closeCountdownTimer->setInterval(1000);
    linkHoverTimer = new QTimer(this);
    linkHoverTimer->setInterval(100);
    connect(showTimer, &QTimer::timeout, this, &NewVersionWindow::growIntoView);
    connect(closeCountdownTimer, &QTimer::timeout, this, &NewVersionWindow::countDownToClose);
    connect(linkHoverTimer, &QTimer::timeout, this, &NewVersionWindow::colourLinkUnderCursor);
    connect(downloadLink, &LinkLabel::clicked, this, &NewVersionWindow::openDownload);
    connect(closeButton, &QPushButton::clicked, this, &NewVersionWindow::closeNotification);

    fillControls();

    showTimer->start();
    closeCountdownTimer->start();
    linkHoverTimer->start();
}

QString NewVersionWindow::LinkText(const QString &productName, const QString &version)
{
    return QStringLiteral("Click to download") + QLatin1Char(' ') + productName + QLatin1Char(' ') + version;
}

QString NewVersionWindow::HomePageAddress()
{
    return QStringLiteral("https://") + ServiceHost() + QLatin1Char('/');
}

QString NewVersionWindow::LinkTarget(const QString &downloadUrl)
{
    // The address comes from the network: only web addresses go to the desktop's opener, never a
    // local file or program.
    const QUrl url(downloadUrl.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (url.isValid() && (scheme == QLatin1String("https") || scheme == QLatin1String("http")) && !url.host().isEmpty())
        return downloadUrl.trimmed();
    return HomePageAddress();
}

void NewVersionWindow::fillControls()
{
    QIcon icon = mainWindow ? mainWindow->windowIcon() : QIcon();
    if (icon.isNull())
        icon = QApplication::windowIcon();
    iconImage->setPixmap(icon.pixmap(QSize(48, 48), devicePixelRatioF()));
    iconImage->setAccessibleName(AppProductName);

    resize(ClientWidth, ClientHeight);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    move(screen.x() + screen.width() - ClientWidth - 5, screen.y() + 5);

    headingLabel->setText(QStringLiteral("UPDATE AVAILABLE"));
    downloadLink->setText(LinkText(AppProductName, UpdateState.LatestVersion));
    downloadLink->setAccessibleName(downloadLink->text());
    colourLinkUnderCursor();
}

void NewVersionWindow::growIntoView()
{
    showTimer->stop();
    const QRect full = geometry();
    setGeometry(collapsedAtCentre(full));
    show();
    Animate(collapsedAtCentre(full), full, false);
    GiveFocusBack();
}

void NewVersionWindow::GiveFocusBack()
{
    if (!mainWindow)
        return;
    mainWindow->activateWindow();
    mainWindow->raise();
    raise(); // stays above the main window it hands the focus to
}

void NewVersionWindow::Animate(const QRect &from, const QRect &to, bool hideAtEnd)
{
    if (animation) {
        animation->stop();
        delete animation;
    }
    animation = new QPropertyAnimation(this, "geometry", this);
    animation->setDuration(AnimationMs);
    animation->setStartValue(from);
    animation->setEndValue(to);
    connect(animation, &QPropertyAnimation::finished, this, [this, hideAtEnd] {
        if (hideAtEnd) {
            close(); // hidden for good: nothing shows it again in this run
        } else {
            GiveFocusBack();
        }
    });
    animation->start();
}

void NewVersionWindow::countDownToClose()
{
    --CloseCountdown;
    if (CloseCountdown > 0)
        return;
    closeCountdownTimer->stop();
    if (!isVisible()) {
        close(); // already closed: nothing to see
        return;
    }
    const QRect full = (animation && animation->state() == QAbstractAnimation::Running)
                           ? animation->endValue().toRect()
                           : geometry();
    Animate(full, collapsedAtCentre(full), true);
}

void NewVersionWindow::colourLinkUnderCursor()
{
    const QPoint point = downloadLink->mapFromGlobal(QCursor::pos());
    const QPalette::ColorRole role = downloadLink->rect().contains(point) ? QPalette::Highlight : QPalette::WindowText;
    const QColor colour = QApplication::palette().color(role);
    if (downloadLink->palette().color(QPalette::WindowText) != colour) {
        QPalette palette = downloadLink->palette();
        palette.setColor(QPalette::WindowText, colour);
        downloadLink->setPalette(palette);
    }
}

void NewVersionWindow::openDownload()
{
    try {
        QDesktopServices::openUrl(QUrl(LinkTarget(UpdateState.DownloadUrl), QUrl::TolerantMode));
    } catch (...) {
        // Opening the page is a courtesy; a failure is not reported.
    }
    close();
}

void NewVersionWindow::closeNotification()
{
    close();
}

bool NewVersionWindow::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    // textPanel has no mouse handling of its own, and its presses must not reach framePanel and drag.
    if (watched == textPanel && (type == QEvent::MouseButtonPress || type == QEvent::MouseMove ||
                              type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonDblClick))
        return true;
    return QWidget::eventFilter(watched, event);
}

void NewVersionWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

