#include "infowindows/AboutBox.h"

#include "platform/AppIdentity.h"
#include "infowindows/AboutPopupMenu.h"
#include "platform/AppPaths.h"
#include "platform/ServiceHost.h"

#include <QAction>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSvgRenderer>
#include <QTimer>
#include <QUrl>
#include <QWindow>

namespace {
constexpr int ClientWidth = 446;
constexpr int ClientHeight = 374;

QFont pixelFont(const QFont &base, int pixels)
{
    QFont font = base;
    font.setPixelSize(pixels);
    return font;
}

// Renders one of our drawings at the size of its slot for the given pixel ratio.
QPixmap renderPicture(const QString &resource, QSize size, qreal ratio)
{
    QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
    painter.end();
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

// The rain's drawing surface: the window's canvas image, with the cells it touched collected
// so that only they are repainted.
class CanvasSurface : public RainSurface {
public:
    explicit CanvasSurface(QImage &image) : painter(&image)
    {
        QFont font(QStringLiteral("Monospace"));
        font.setStyleHint(QFont::TypeWriter);
        font.setPixelSize(12);
        painter.setFont(font);
    }
    void FillBlack(const QRect &cell) override
    {
        painter.fillRect(cell, Qt::black);
        touched += cell;
    }
    void DrawChar(const QPoint &topLeft, QChar character, const QColor &colour) override
    {
        const QRect cell(topLeft, QSize(8, 12));
        painter.fillRect(cell, Qt::black); // opaque background
        painter.setPen(colour);
        painter.drawText(cell, Qt::AlignCenter, QString(character));
        touched += cell;
    }
    QRegion touched;

private:
    QPainter painter;
};
} // namespace

AboutBox::AboutBox(QWidget *parent, RandomBelow random)
    : QDialog(parent), Rain(std::move(random)), LicenseFolder(ExecutableFolder())
{
    Q_INIT_RESOURCE(infowindows);
    OpenAddress = [](const QUrl &address) { QDesktopServices::openUrl(address); };
    ShowMessage = [this](QMessageBox::Icon icon, const QString &title, const QString &text) {
        QMessageBox box(icon, title, text, QMessageBox::Ok, this);
        box.exec();
    };
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setFixedSize(ClientWidth, ClientHeight);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(false); // the rain canvas is the background
    setAttribute(Qt::WA_OpaquePaintEvent);
    buildControls();
    FormCreate();
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

AboutBox::~AboutBox() = default;

void AboutBox::buildControls()
{
    QPalette panelPalette = palette();
    panelPalette.setColor(QPalette::Window, Qt::black);
    panelPalette.setColor(QPalette::WindowText, Qt::white);
    panelPalette.setColor(QPalette::Light, QColor(0xd0, 0xd0, 0xd0));
    panelPalette.setColor(QPalette::Dark, QColor(0x60, 0x60, 0x60));
    panelPalette.setColor(QPalette::Mid, QColor(0x60, 0x60, 0x60));

    // The hidden picture lies under the central panel.
    PanelEgg = new QFrame(this);
    PanelEgg->setObjectName(QStringLiteral("PanelEgg"));
    PanelEgg->setFrameShape(QFrame::NoFrame);
    PanelEgg->setPalette(panelPalette);
    PanelEgg->setAutoFillBackground(true);
    PanelEgg->resize(324, 220);
    PanelEgg->hide();
    ImageEgg = new QLabel(PanelEgg);
    ImageEgg->setObjectName(QStringLiteral("ImageEgg"));
    ImageEgg->setGeometry(2, 3, 320, 214);
    ImageEgg->setScaledContents(true);
    ImageEgg->setAccessibleName(QStringLiteral("Cat"));

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);
    Panel1->setPalette(panelPalette);
    Panel1->setAutoFillBackground(true);
    Panel1->setGeometry(48, 42, 350, 291);
    Egg = AboutEgg(Panel1->x());

    Image2 = new QLabel(Panel1);
    Image2->setGeometry(3, 4, 344, 105);
    Image2->setScaledContents(true);
    Image2->setAccessibleName(QStringLiteral("Maker's logo"));

    Bevel1 = new QFrame(Panel1);
    Bevel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Bevel1->setLineWidth(1);
    Bevel1->setGeometry(9, 122, 34, 34);

    VirtualImage1 = new QLabel(Panel1);
    VirtualImage1->setGeometry(10, 123, 32, 32);
    VirtualImage1->setScaledContents(true);
    VirtualImage1->setAccessibleName(QStringLiteral("Application icon"));

    nameAndVersionLabel = new QLabel(Panel1);
    nameAndVersionLabel->setGeometry(49, 122, 290, 40);
    nameAndVersionLabel->setWordWrap(true);
    nameAndVersionLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    nameAndVersionLabel->setFont(pixelFont(font(), 16));

    okButton = new QPushButton(Panel1);
    okButton->setGeometry(49, 226, 122, 33);
    okButton->setFont(pixelFont(font(), 16));
    infoButton = new QPushButton(Panel1);
    infoButton->setGeometry(177, 226, 122, 33);
    infoButton->setFont(pixelFont(font(), 16));
    infoButton->setLayoutDirection(Qt::RightToLeft); // the arrow sits on the right of the caption
    infoButton->setIconSize(QSize(16, 16));
    infoButton->setAccessibleDescription(QStringLiteral("Opens a menu with acknowledgements, uninstall help and the licence"));

    websiteLabel = new QLabel(Panel1);
    const int linkHeight = 16;
    websiteLabel->setGeometry(4, 291 - 1 - 3 - linkHeight, 342, linkHeight);
    websiteLabel->setAlignment(Qt::AlignCenter);
    QFont linkFont = pixelFont(font(), 13);
    linkFont.setUnderline(true);
    websiteLabel->setFont(linkFont);
    websiteLabel->setCursor(Qt::PointingHandCursor);
    websiteLabel->setFocusPolicy(Qt::TabFocus); // reachable from the keyboard; Enter opens the site
    websiteLabel->setTextInteractionFlags(Qt::LinksAccessibleByKeyboard | Qt::LinksAccessibleByMouse);
    websiteLabel->setTextFormat(Qt::RichText);
    connect(websiteLabel, &QLabel::linkActivated, this, &AboutBox::Label5Click);

    PopupMenu1 = new QMenu(this);
    Credits1 = PopupMenu1->addAction(QString());
    Howtouninstall1 = PopupMenu1->addAction(QString());
    LicensePrivacyPolicy1 = PopupMenu1->addAction(QString());
    connect(Credits1, &QAction::triggered, this, &AboutBox::Credits1Click);
    connect(Howtouninstall1, &QAction::triggered, this, &AboutBox::Howtouninstall1Click);
    connect(LicensePrivacyPolicy1, &QAction::triggered, this, &AboutBox::LicensePrivacyPolicy1Click);

    tmTimer = new QTimer(this);
    connect(tmTimer, &QTimer::timeout, this, &AboutBox::tmTimerTimer);
    TimerEgg = new QTimer(this);
    connect(TimerEgg, &QTimer::timeout, this, &AboutBox::TimerEggTimer);

    connect(okButton, &QPushButton::clicked, this, &AboutBox::closeBox);
    connect(infoButton, &QPushButton::clicked, this, &AboutBox::showInfoMenu);

    Drag = new WindowDragFilter(this);
    for (QWidget *dragSource : {static_cast<QWidget *>(Panel1), static_cast<QWidget *>(Image2),
                                static_cast<QWidget *>(nameAndVersionLabel), static_cast<QWidget *>(VirtualImage1),
                                static_cast<QWidget *>(ImageEgg)})
        Drag->DragFrom(dragSource);
    // Installed after the drag filter, so that double-clicks on the pictures reach this one first.
    VirtualImage1->installEventFilter(this);
    ImageEgg->installEventFilter(this);

    setTabOrder(okButton, infoButton);
    setTabOrder(infoButton, websiteLabel);
    okButton->setFocus();
}

void AboutBox::FormCreate()
{
    StartMatrix();
    setWindowTitle(QStringLiteral("About %1").arg(AppProductName));
    nameAndVersionLabel->setText(AppProductName + QLatin1Char(' ') + AppVersion);
    okButton->setText(QStringLiteral("OK"));
    infoButton->setText(QStringLiteral("Info"));
    Credits1->setText(QStringLiteral("Acknowledgements..."));
    Howtouninstall1->setText(QStringLiteral("How to uninstall..."));
    LicensePrivacyPolicy1->setText(QStringLiteral("License..."));

    // The link: the site's host, lime and underlined, its address as the tooltip.
    websiteLabel->setText(QStringLiteral("<a href=\"%1\" style=\"color:#00ff00;\">%2</a>")
                        .arg(SiteAddress().toHtmlEscaped(), SiteHost().toHtmlEscaped()));
    websiteLabel->setToolTip(SiteAddress());
    websiteLabel->setAccessibleName(SiteHost());

    AddAppIconToCollection(AppIconCollection, QStringLiteral("AppIcon"));
    HighDPIImageYukle();

    PanelEgg->move((width() - PanelEgg->width()) / 2, (height() - PanelEgg->height()) / 2);
}

QString AboutBox::SiteHost()
{
    return ServiceHost();
}

QString AboutBox::SiteAddress()
{
    return QStringLiteral("https://") + SiteHost();
}

QString AboutBox::CreditsAddress()
{
    return QStringLiteral("https://") + SiteHost() + QStringLiteral("/blog/credits-and-acknowledgements/");
}

QString AboutBox::UninstallAddress()
{
    return QStringLiteral("http://") + SiteHost() + QStringLiteral("/blog/how-to-uninstall-korvane-software/");
}

void AboutBox::HighDPIImageYukle()
{
    const qreal ratio = devicePixelRatioF();
    Image2->setPixmap(renderPicture(QStringLiteral(":/infowindows/logo.svg"), Image2->size(), ratio));
    ImageEgg->setPixmap(renderPicture(QStringLiteral(":/infowindows/cat.svg"), ImageEgg->size(), ratio));
    infoButton->setIcon(QIcon(renderPicture(QStringLiteral(":/infowindows/arrow.svg"), QSize(16, 16), ratio)));
    VirtualImage1->setPixmap(AppIconCollection.value(QStringLiteral("AppIcon")).pixmap(QSize(32, 32), ratio));
}

// The matrix rain.

void AboutBox::StartMatrix()
{
    Rain.RestartTick();
    const QSize outer = frameGeometry().size();
    bitmapWidth = outer.width();
    bitmapHeight = outer.height();
    ResetMatrix();
    tmTimer->start(50);
}

void AboutBox::ResetMatrix()
{
    const qreal ratio = devicePixelRatioF();
    canvas = QImage(size() * ratio, QImage::Format_RGB32);
    canvas.setDevicePixelRatio(ratio);
    canvas.fill(Qt::black);
    Rain.ResetMatrix(bitmapWidth, bitmapHeight);
    update();
}

void AboutBox::tmTimerTimer()
{
    QRegion touched;
    {
        CanvasSurface surface(canvas);
        Rain.StepMatrix(surface);
        touched = surface.touched;
    }
    // The panels hide the rain where they lie: no need to repaint under them.
    touched -= Panel1->geometry();
    if (PanelEgg->isVisible())
        touched -= PanelEgg->geometry();
    if (!touched.isEmpty())
        update(touched);
}

void AboutBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), canvas);
}

void AboutBox::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    ResetMatrix();
}

void AboutBox::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!screenWatched && windowHandle()) {
        screenWatched = true;
        // A move to a screen of another density: pictures for the new density, the rain anew.
        connect(windowHandle(), &QWindow::screenChanged, this, [this] {
            HighDPIImageYukle();
            StartMatrix();
        });
    }
}

// The hidden picture.

void AboutBox::Image1DblClick()
{
    if (!Egg.IconDoubleClicked())
        return;
    PanelEgg->show();
    Panel1->raise();
    const QScreen *primary = QGuiApplication::primaryScreen();
    const QScreen *current = screen();
    TimerEgg->start(EggTimerInterval(primary ? primary->logicalDotsPerInch() : 96.0,
                                     current ? current->logicalDotsPerInch() : 96.0));
}

void AboutBox::TimerEggTimer()
{
    if (!Egg.Tick(width()))
        TimerEgg->stop();
    Panel1->move(Egg.PanelLeft, Panel1->y());
}

void AboutBox::ImageEggDblClick()
{
    if (!Egg.PictureDoubleClicked(width(), Panel1->width()))
        return;
    PanelEgg->hide();
    Panel1->move(Egg.PanelLeft, Panel1->y());
}

bool AboutBox::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == VirtualImage1) {
            Image1DblClick();
            return true;
        }
        if (watched == ImageEgg) {
            ImageEggDblClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// Buttons, menu and links.

void AboutBox::closeBox()
{
    close();
}

void AboutBox::showInfoMenu()
{
    PopupMenuBelow(infoButton, PopupMenu1);
}

void AboutBox::Label5Click()
{
    OpenAddress(QUrl(SiteAddress()));
}

void AboutBox::Credits1Click()
{
    OpenAddress(QUrl(CreditsAddress()));
}

void AboutBox::Howtouninstall1Click()
{
    OpenAddress(QUrl(UninstallAddress()));
}

void AboutBox::LicensePrivacyPolicy1Click()
{
    const QString licenseFile = LicenseFolder + QStringLiteral("/license.txt");
    if (QFileInfo(licenseFile).isFile())
        OpenAddress(QUrl::fromLocalFile(licenseFile));
    else
        ShowMessage(QMessageBox::Critical, QStringLiteral("License"), QStringLiteral("File not found!"));
}
