#include "webservices/TNewVer.h"

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

void TLinkLabel::mousePressEvent(QMouseEvent *event)
{
    event->accept(); // a press on the link never reaches the panels below (no drag)
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void TLinkLabel::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space)
        emit clicked();
    else
        QLabel::keyPressEvent(event);
}

TNewVer::TNewVer(QWidget *mainWindow)
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

    Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);
    outer->addWidget(Panel1);
    auto *row = new QHBoxLayout(Panel1);
    row->setContentsMargins(1, 1, 1, 1);
    row->setSpacing(0);

    Image1 = new QLabel(Panel1);
    Image1->setFixedWidth(66);
    Image1->setContentsMargins(3, 3, 3, 3);
    Image1->setAlignment(Qt::AlignCenter);
    row->addWidget(Image1);

    Panel2 = new QWidget(Panel1);
    auto *column = new QVBoxLayout(Panel2);
    column->setContentsMargins(3, 3, 3, 3);
    column->setSpacing(0);
    Label1 = new QLabel(Panel2);
    Label1->setAlignment(Qt::AlignCenter);
    QFont heading = font();
    heading.setPixelSize(13);
    heading.setBold(true);
    Label1->setFont(heading);
    column->addWidget(Label1);
    Label2 = new TLinkLabel(Panel2);
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setWordWrap(true);
    QFont link = font();
    link.setPixelSize(13);
    link.setUnderline(true);
    Label2->setFont(link);
    Label2->setCursor(Qt::PointingHandCursor);
    Label2->setFocusPolicy(Qt::TabFocus);
    Label2->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    column->addWidget(Label2, 1);
    row->addWidget(Panel2, 1);

    Panel3 = new QWidget(Panel1);
    Panel3->setFixedWidth(22);
    auto *side = new QVBoxLayout(Panel3);
    side->setContentsMargins(0, 0, 0, 0);
    Button1 = new QPushButton(Panel3);
    Button1->setFixedSize(22, 22);
    Button1->setCursor(Qt::PointingHandCursor);
    Button1->setIcon(closeGlyph(palette().color(QPalette::ButtonText)));
    Button1->setIconSize(QSize(14, 14));
    Button1->setFlat(true);
    Button1->setAccessibleName(QStringLiteral("Close"));
    Button1->setToolTip(QStringLiteral("Close"));
    side->addWidget(Button1);
    side->addStretch(1);
    row->addWidget(Panel3);

    // Dragging works from the window, Panel1, the icon, the heading and Panel3, not from Panel2,
    // the link or the close button.
    Drag = new WindowDragFilter(this, /*anyButtonButRight=*/true);
    for (QWidget *source : {static_cast<QWidget *>(Panel1), static_cast<QWidget *>(Image1),
                            static_cast<QWidget *>(Label1), Panel3})
        Drag->DragFrom(source);
    Panel2->installEventFilter(this);

    TimerStart = new QTimer(this);
    TimerStart->setInterval(1);
    TimerClose = new QTimer(this);
    TimerClose->setInterval(1000);
    TimerLink = new QTimer(this);
    TimerLink->setInterval(100);
    connect(TimerStart, &QTimer::timeout, this, &TNewVer::TimerStartTimer);
    connect(TimerClose, &QTimer::timeout, this, &TNewVer::TimerCloseTimer);
    connect(TimerLink, &QTimer::timeout, this, &TNewVer::TimerLinkTimer);
    connect(Label2, &TLinkLabel::clicked, this, &TNewVer::Label2Click);
    connect(Button1, &QPushButton::clicked, this, &TNewVer::Button1Click);

    FormCreate();

    TimerStart->start();
    TimerClose->start();
    TimerLink->start();
}

QString TNewVer::LinkText(const QString &productName, const QString &version)
{
    return QStringLiteral("Click to download") + QLatin1Char(' ') + productName + QLatin1Char(' ') + version;
}

QString TNewVer::HomePageAddress()
{
    return QStringLiteral("https://") + ServiceHost() + QLatin1Char('/');
}

QString TNewVer::LinkTarget(const QString &downloadUrl)
{
    // The address comes from the network: only web addresses go to the desktop's opener, never a
    // local file or program.
    const QUrl url(downloadUrl.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (url.isValid() && (scheme == QLatin1String("https") || scheme == QLatin1String("http")) && !url.host().isEmpty())
        return downloadUrl.trimmed();
    return HomePageAddress();
}

void TNewVer::FormCreate()
{
    QIcon icon = mainWindow ? mainWindow->windowIcon() : QIcon();
    if (icon.isNull())
        icon = QApplication::windowIcon();
    Image1->setPixmap(icon.pixmap(QSize(48, 48), devicePixelRatioF()));
    Image1->setAccessibleName(AppProductName);

    resize(ClientWidth, ClientHeight);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    move(screen.x() + screen.width() - ClientWidth - 5, screen.y() + 5);

    Label1->setText(QStringLiteral("UPDATE AVAILABLE"));
    Label2->setText(LinkText(AppProductName, UpdateState.LatestVersion));
    Label2->setAccessibleName(Label2->text());
    TimerLinkTimer();
}

void TNewVer::TimerStartTimer()
{
    TimerStart->stop();
    const QRect full = geometry();
    setGeometry(collapsedAtCentre(full));
    show();
    Animate(collapsedAtCentre(full), full, false);
    GiveFocusBack();
}

void TNewVer::GiveFocusBack()
{
    if (!mainWindow)
        return;
    mainWindow->activateWindow();
    mainWindow->raise();
    raise(); // stays above the main window it hands the focus to
}

void TNewVer::Animate(const QRect &from, const QRect &to, bool hideAtEnd)
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

void TNewVer::TimerCloseTimer()
{
    --CloseCountdown;
    if (CloseCountdown > 0)
        return;
    TimerClose->stop();
    if (!isVisible()) {
        close(); // already closed: nothing to see
        return;
    }
    const QRect full = (animation && animation->state() == QAbstractAnimation::Running)
                           ? animation->endValue().toRect()
                           : geometry();
    Animate(full, collapsedAtCentre(full), true);
}

void TNewVer::TimerLinkTimer()
{
    const QPoint point = Label2->mapFromGlobal(QCursor::pos());
    const QPalette::ColorRole role = Label2->rect().contains(point) ? QPalette::Highlight : QPalette::WindowText;
    const QColor colour = QApplication::palette().color(role);
    if (Label2->palette().color(QPalette::WindowText) != colour) {
        QPalette palette = Label2->palette();
        palette.setColor(QPalette::WindowText, colour);
        Label2->setPalette(palette);
    }
}

void TNewVer::Label2Click()
{
    try {
        QDesktopServices::openUrl(QUrl(LinkTarget(UpdateState.DownloadUrl), QUrl::TolerantMode));
    } catch (...) {
        // Opening the page is a courtesy; a failure is not reported.
    }
    close();
}

void TNewVer::Button1Click()
{
    close();
}

bool TNewVer::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    // Panel2 has no mouse handling of its own, and its presses must not reach Panel1 and drag.
    if (watched == Panel2 && (type == QEvent::MouseButtonPress || type == QEvent::MouseMove ||
                              type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonDblClick))
        return true;
    return QWidget::eventFilter(watched, event);
}

void TNewVer::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

