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
    fillControls();
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
    hiddenPanel = new QFrame(this);
    hiddenPanel->setObjectName(QStringLiteral("hiddenPanel"));
    hiddenPanel->setFrameShape(QFrame::NoFrame);
    hiddenPanel->setPalette(panelPalette);
    hiddenPanel->setAutoFillBackground(true);
    hiddenPanel->resize(324, 220);
    hiddenPanel->hide();
    hiddenImage = new QLabel(hiddenPanel);
    hiddenImage->setObjectName(QStringLiteral("hiddenImage"));
    hiddenImage->setGeometry(2, 3, 320, 214);
    hiddenImage->setScaledContents(true);
    hiddenImage->setAccessibleName(QStringLiteral("Cat"));

    centralPanel = new QFrame(this);
    centralPanel->setObjectName(QStringLiteral("centralPanel"));
    centralPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    centralPanel->setLineWidth(1);
    centralPanel->setPalette(panelPalette);
    centralPanel->setAutoFillBackground(true);
    centralPanel->setGeometry(48, 42, 350, 291);
    Egg = AboutEgg(centralPanel->x());

    logoImage = new QLabel(centralPanel);
    logoImage->setGeometry(3, 4, 344, 105);
    logoImage->setScaledContents(true);
    logoImage->setAccessibleName(QStringLiteral("Maker's logo"));

    iconFrame = new QFrame(centralPanel);
    iconFrame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    iconFrame->setLineWidth(1);
    iconFrame->setGeometry(9, 122, 34, 34);

    appIconImage = new QLabel(centralPanel);
    appIconImage->setGeometry(10, 123, 32, 32);
    appIconImage->setScaledContents(true);
    appIconImage->setAccessibleName(QStringLiteral("Application icon"));

    nameAndVersionLabel = new QLabel(centralPanel);
    nameAndVersionLabel->setGeometry(49, 122, 290, 40);
    nameAndVersionLabel->setWordWrap(true);
    nameAndVersionLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    nameAndVersionLabel->setFont(pixelFont(font(), 16));

    okButton = new QPushButton(centralPanel);
    okButton->setGeometry(49, 226, 122, 33);
    okButton->setFont(pixelFont(font(), 16));
    infoButton = new QPushButton(centralPanel);
    infoButton->setGeometry(177, 226, 122, 33);
    infoButton->setFont(pixelFont(font(), 16));
    infoButton->setLayoutDirection(Qt::RightToLeft); // the arrow sits on the right of the caption
    infoButton->setIconSize(QSize(16, 16));
    infoButton->setAccessibleDescription(QStringLiteral("Opens a menu with acknowledgements, uninstall help and the licence"));

    websiteLabel = new QLabel(centralPanel);
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
    connect(websiteLabel, &QLabel::linkActivated, this, &AboutBox::openWebsite);

    infoMenu = new QMenu(this);
    acknowledgementsAction = infoMenu->addAction(QString());
    uninstallHelpAction = infoMenu->addAction(QString());
    licenseAction = infoMenu->addAction(QString());
    connect(acknowledgementsAction, &QAction::triggered, this, &AboutBox::openAcknowledgements);
    connect(uninstallHelpAction, &QAction::triggered, this, &AboutBox::openUninstallHelp);
    connect(licenseAction, &QAction::triggered, this, &AboutBox::openLicense);

    rainTimer = new QTimer(this);
    connect(rainTimer, &QTimer::timeout, this, &AboutBox::stepRain);
    slideTimer = new QTimer(this);
    connect(slideTimer, &QTimer::timeout, this, &AboutBox::slidePanel);

    connect(okButton, &QPushButton::clicked, this, &AboutBox::closeBox);
    connect(infoButton, &QPushButton::clicked, this, &AboutBox::showInfoMenu);

    Drag = new WindowDragFilter(this);
    for (QWidget *dragSource : {static_cast<QWidget *>(centralPanel), static_cast<QWidget *>(logoImage),
                                static_cast<QWidget *>(nameAndVersionLabel), static_cast<QWidget *>(appIconImage),
                                static_cast<QWidget *>(hiddenImage)})
        Drag->DragFrom(dragSource);
    // Installed after the drag filter, so that double-clicks on the pictures reach this one first.
    appIconImage->installEventFilter(this);
    hiddenImage->installEventFilter(this);

    setTabOrder(okButton, infoButton);
    setTabOrder(infoButton, websiteLabel);
    okButton->setFocus();
}

void AboutBox::fillControls()
{
    StartMatrix();
    setWindowTitle(QStringLiteral("About %1").arg(AppProductName));
    nameAndVersionLabel->setText(AppProductName + QLatin1Char(' ') + AppVersion);
    okButton->setText(QStringLiteral("OK"));
    infoButton->setText(QStringLiteral("Info"));
    acknowledgementsAction->setText(QStringLiteral("Acknowledgements..."));
    uninstallHelpAction->setText(QStringLiteral("How to uninstall..."));
    licenseAction->setText(QStringLiteral("License..."));

    // The link: the site's host, lime and underlined, its address as the tooltip.
    websiteLabel->setText(QStringLiteral("<a href=\"%1\" style=\"color:#00ff00;\">%2</a>")
                        .arg(SiteAddress().toHtmlEscaped(), SiteHost().toHtmlEscaped()));
    websiteLabel->setToolTip(SiteAddress());
    websiteLabel->setAccessibleName(SiteHost());

    AddAppIconToCollection(AppIconCollection, QStringLiteral("AppIcon"));
    renderPictures();

    hiddenPanel->move((width() - hiddenPanel->width()) / 2, (height() - hiddenPanel->height()) / 2);
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

void AboutBox::renderPictures()
{
    const qreal ratio = devicePixelRatioF();
    logoImage->setPixmap(renderPicture(QStringLiteral(":/infowindows/logo.svg"), logoImage->size(), ratio));
    hiddenImage->setPixmap(renderPicture(QStringLiteral(":/infowindows/cat.svg"), hiddenImage->size(), ratio));
    infoButton->setIcon(QIcon(renderPicture(QStringLiteral(":/infowindows/arrow.svg"), QSize(16, 16), ratio)));
    appIconImage->setPixmap(AppIconCollection.value(QStringLiteral("AppIcon")).pixmap(QSize(32, 32), ratio));
}

// The matrix rain.

void AboutBox::StartMatrix()
{
    Rain.RestartTick();
    const QSize outer = frameGeometry().size();
    bitmapWidth = outer.width();
    bitmapHeight = outer.height();
    ResetMatrix();
    rainTimer->start(50);
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

void AboutBox::stepRain()
{
    QRegion touched;
    {
        CanvasSurface surface(canvas);
        Rain.StepMatrix(surface);
        touched = surface.touched;
    }
    // The panels hide the rain where they lie: no need to repaint under them.
    touched -= centralPanel->geometry();
    if (hiddenPanel->isVisible())
        touched -= hiddenPanel->geometry();
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
            renderPictures();
            StartMatrix();
        });
    }
}

// The hidden picture.

void AboutBox::appIconDoubleClicked()
{
    if (!Egg.IconDoubleClicked())
        return;
    hiddenPanel->show();
    centralPanel->raise();
    const QScreen *primary = QGuiApplication::primaryScreen();
    const QScreen *current = screen();
    slideTimer->start(EggTimerInterval(primary ? primary->logicalDotsPerInch() : 96.0,
                                     current ? current->logicalDotsPerInch() : 96.0));
}

void AboutBox::slidePanel()
{
    if (!Egg.Tick(width()))
        slideTimer->stop();
    centralPanel->move(Egg.PanelLeft, centralPanel->y());
}

void AboutBox::hiddenImageDoubleClicked()
{
    if (!Egg.PictureDoubleClicked(width(), centralPanel->width()))
        return;
    hiddenPanel->hide();
    centralPanel->move(Egg.PanelLeft, centralPanel->y());
}

bool AboutBox::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == appIconImage) {
            appIconDoubleClicked();
            return true;
        }
        if (watched == hiddenImage) {
            hiddenImageDoubleClicked();
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
    PopupMenuBelow(infoButton, infoMenu);
}

void AboutBox::openWebsite()
{
    OpenAddress(QUrl(SiteAddress()));
}

void AboutBox::openAcknowledgements()
{
    OpenAddress(QUrl(CreditsAddress()));
}

void AboutBox::openUninstallHelp()
{
    OpenAddress(QUrl(UninstallAddress()));
}

void AboutBox::openLicense()
{
    const QString licenseFile = LicenseFolder + QStringLiteral("/license.txt");
    if (QFileInfo(licenseFile).isFile())
        OpenAddress(QUrl::fromLocalFile(licenseFile));
    else
        ShowMessage(QMessageBox::Critical, QStringLiteral("License"), QStringLiteral("File not found!"));
}
