#include "app/TAppForm.h"

#include "platform/AppIdentity.h"
#include "app/MirelonApplication.h"
#include "infowindows/VersionInfo.h"
#include "platform/AppPaths.h"
#include "platform/Errors.h"
#include "imagelist/ImageListView.h"
#include "platform/ServiceHost.h"
#include "platform/VersionResource.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {
QIcon picture(const char *name)
{
    return QIcon(QStringLiteral(":/icons/") + QLatin1String(name) + QStringLiteral(".svg"));
}

// Wraps a handler so that an error it raises is reported by the application's default error
// box right here, instead of unwinding through the toolkit's signal code, which is built
// without exception support.
auto guarded(TAppForm *form, void (TAppForm::*handler)())
{
    return [form, handler] { MirelonApplication::RunReportingErrors([form, handler] { (form->*handler)(); }); };
}

QPushButton *pictureButton(QWidget *parent, const char *iconName, const QString &hint, QSize size)
{
    auto *button = new QPushButton(parent);
    button->setIcon(picture(iconName));
    button->setFixedSize(size);
    button->setToolTip(hint);
    button->setAccessibleName(hint); // the hint is what a screen reader says for a picture-only button
    return button;
}
} // namespace

TAppForm::TAppForm(QWidget *parent) : QMainWindow(parent)
{
    Q_INIT_RESOURCE(resources); // the pictures live in this static library
    setWindowIcon(picture("mirelon"));
    QApplication::setWindowIcon(windowIcon()); // the icon of every window the application opens
    buildMenus();
    buildToolBar();
    buildCentralArea();
    connectHandlers();

    resize(478, 474);
    if (const QScreen *screen = this->screen()) // opens centred on the screen
        move(screen->availableGeometry().center() - rect().center());

    FormCreate();
}

TAppForm::~TAppForm() = default;

void TAppForm::buildMenus()
{
    QMenu *file = menuBar()->addMenu(tr("&File"));
    Clear1 = file->addAction(QStringLiteral("Clear"));
    file->addSeparator();
    AddFile1 = file->addAction(picture("add-files"), QStringLiteral("Add Files..."));
    AddFolder1 = file->addAction(picture("add-folder"), QStringLiteral("Add Folder..."));
    file->addSeparator();
    Exit1 = file->addAction(picture("exit"), QStringLiteral("Exit"));

    QMenu *settings = menuBar()->addMenu(tr("&Settings"));
    ResettoDefaults1 = settings->addAction(QStringLiteral("Reset to Defaults..."));

    QMenu *help = menuBar()->addMenu(tr("&Help"));
    Help2 = help->addAction(picture("help"), QStringLiteral("Online Help"));
    Help2->setShortcut(QKeySequence(Qt::Key_F1));
    Help2->setShortcutContext(Qt::WindowShortcut);
    help->addSeparator();
    UpdateNotifications1 = help->addAction(QStringLiteral("Update Notifications"));
    UpdateNotifications1->setCheckable(true);
    UpdateNotifications1->setChecked(true);
    UpdateNotifications1->setEnabled(false); // usable once the update check is done
    help->addSeparator();
    SendFeedback1 = help->addAction(picture("feedback"), QStringLiteral("Send Feedback..."));
    About1 = help->addAction(picture("about"), QStringLiteral("About..."));

    PopupMenu1 = new QMenu(this);
    Open1 = PopupMenu1->addAction(QStringLiteral("Open"));
    OpenFolderLocation1 = PopupMenu1->addAction(QStringLiteral("Open Folder Location..."));
    Properties1 = PopupMenu1->addAction(QStringLiteral("Properties"));
    PopupMenu1->addSeparator();
    Delete1 = PopupMenu1->addAction(QStringLiteral("Delete Selected"));
    DeleteAll1 = PopupMenu1->addAction(QStringLiteral("Delete All"));
}

void TAppForm::buildToolBar()
{
    ToolBar1 = new QToolBar(QStringLiteral("Toolbar"), this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(64, 64));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar1->setStyleSheet(QStringLiteral("QToolBar { padding: 0px; spacing: 0px; border: none; }"));
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    auto addButton = [this](const char *iconName, const QString &caption, const QString &hint) {
        auto *button = new QToolButton(ToolBar1);
        button->setIcon(picture(iconName));
        button->setText(caption);
        button->setToolTip(hint);
        button->setAccessibleDescription(hint);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setIconSize(QSize(64, 64));
        button->setMinimumSize(71, 84); // grows when the desktop font needs more room for the caption
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::TabFocus);
        ToolBar1->addWidget(button);
        return button;
    };
    ToolButton1 = addButton("add-files", QStringLiteral("Add Files"), QStringLiteral("Add files to the list"));
    ToolButton2 = addButton("add-folder", QStringLiteral("Add Folder"), QStringLiteral("Add folder to the list"));
    auto *gap = new QWidget(ToolBar1);
    gap->setFixedWidth(8);
    ToolBar1->addWidget(gap);
    ToolButton4 = addButton("feedback", QStringLiteral("Feedback"), QStringLiteral("Send feedback"));
    ToolButton5 = addButton("about", QStringLiteral("About"), QStringLiteral("Show aboutbox"));
    ToolButton6 = addButton("help", QStringLiteral("Help"), QStringLiteral("Online help"));
}

void TAppForm::buildCentralArea()
{
    auto *central = new QWidget(this);
    auto *outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto *middle = new QHBoxLayout;
    middle->setContentsMargins(0, 0, 0, 0);
    middle->setSpacing(0);
    outer->addLayout(middle, 1);

    // Left: the image list and the strip of move buttons under it.
    auto *left = new QVBoxLayout;
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    middle->addLayout(left, 1);

    auto *imageList = new ImageListView(central);
    connect(imageList, &ImageListView::deleteKeyPressed, this, guarded(this, &TAppForm::Delete1Click));
    connect(imageList, &ImageListView::entryDropped, this, &TAppForm::ListView1DragDrop);
    connect(imageList, &ImageListView::pathsDropped, this, &TAppForm::WMDropFiles);
    ListView1 = imageList;
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setAccessibleName(QStringLiteral("Image files"));
    ListView1->setHeaderLabels({QStringLiteral("Image File"), QStringLiteral("Width"), QStringLiteral("Height")});
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setIconSize(QSize(16, 16));
    ListView1->setDragEnabled(true);
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    ListView1->setStyleSheet(QStringLiteral(
        "QTreeView::item { border-right: 1px solid palette(midlight); border-bottom: 1px solid palette(midlight); }"
        "QTreeView::item:selected { background: palette(highlight); color: palette(highlighted-text); }"));
    QHeaderView *header = ListView1->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setSectionResizeMode(1, QHeaderView::Fixed);
    header->setSectionResizeMode(2, QHeaderView::Fixed);
    header->resizeSection(1, 50);
    header->resizeSection(2, 50);
    header->setSectionsMovable(false);
    left->addWidget(ListView1, 1);

    auto *strip = new QWidget(central);
    strip->setFixedHeight(29);
    auto *stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(2, 2, 2, 2);
    stripLayout->setSpacing(0);
    ButtonUp = pictureButton(strip, "up", QStringLiteral("Up"), QSize(24, 25));
    ButtonDown = pictureButton(strip, "down", QStringLiteral("Down"), QSize(24, 25));
    ButtonTop = pictureButton(strip, "top", QStringLiteral("Top"), QSize(24, 25));
    ButtonBottom = pictureButton(strip, "bottom", QStringLiteral("Bottom"), QSize(24, 25));
    for (QPushButton *button : {ButtonUp, ButtonDown, ButtonTop, ButtonBottom})
        stripLayout->addWidget(button);
    stripLayout->addStretch(1);
    left->addWidget(strip);

    // Right: the run controls at fixed places in a 238-pixel panel.
    RightPanel = new QWidget(central);
    RightPanel->setObjectName(QStringLiteral("RightPanel"));
    RightPanel->setFixedWidth(238);
    middle->addWidget(RightPanel);

    Label4 = new QLabel(QStringLiteral("Action:"), RightPanel);
    Label4->setGeometry(6, 6, 211, 17);
    ComboBoxAction = new QComboBox(RightPanel);
    ComboBoxAction->addItems({QStringLiteral("Mark Faces in Image"), QStringLiteral("Blur Faces in Image"),
                              QStringLiteral("Save Faces as Separate Images"), QStringLiteral("Export Face Positions")});
    ComboBoxAction->setCurrentIndex(0);
    ComboBoxAction->setGeometry(6, 25, 211, 23);
    Label4->setBuddy(ComboBoxAction);

    Label1 = new QLabel(QStringLiteral("Output Format:"), RightPanel);
    Label1->setGeometry(6, 60, 211, 17);
    ComboBoxExtension = new QComboBox(RightPanel);
    ComboBoxExtension->addItems({QStringLiteral("PNG"), QStringLiteral("JPG"), QStringLiteral("WEBP"), QStringLiteral("BMP")});
    ComboBoxExtension->setCurrentIndex(0);
    ComboBoxExtension->setGeometry(6, 79, 211, 23);
    Label1->setBuddy(ComboBoxExtension);

    Label2 = new QLabel(QStringLiteral("Destination Directory:"), RightPanel);
    Label2->setGeometry(6, 113, 211, 17);
    Button3 = pictureButton(RightPanel, "folder", QStringLiteral("Change Destination Folder"), QSize(24, 23));
    Button3->move(6, 131);
    Edit1 = new QLineEdit(RightPanel);
    Edit1->setGeometry(6 + 211 - 185, 131, 185, 23);
    Label2->setBuddy(Edit1);

    Button1 = new QPushButton(picture("convert"), QStringLiteral("Convert"), RightPanel);
    Button1->setGeometry(6, 161, 211, 37);
    Button1->setIconSize(QSize(24, 24));
    QFont bigger = Button1->font();
    bigger.setPixelSize(19);
    Button1->setFont(bigger);
    Button1->setStyleSheet(QStringLiteral("QPushButton { text-align: center; padding-left: 5px; }"));

    setTabOrder(ComboBoxAction, ComboBoxExtension);
    setTabOrder(ComboBoxExtension, Button3);
    setTabOrder(Button3, Edit1);
    setTabOrder(Edit1, Button1);

    // Captured output of the script runs: kept, never shown.
    MemoCMD = new QPlainTextEdit(central);
    MemoCMD->setObjectName(QStringLiteral("MemoCMD"));
    MemoCMD->setFixedHeight(80);
    MemoCMD->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoCMD->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoCMD->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoCMD->setVisible(false);
    outer->addWidget(MemoCMD);

    setCentralWidget(central);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setSizeGripEnabled(true);
    auto *panel = new QLabel(StatusBar1);
    panel->setObjectName(QStringLiteral("StatusPanel0"));
    // A long text (a deep path) is cut at the window's edge instead of widening the window.
    panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    StatusBar1->addWidget(panel, 1);
    RunProgress = new QProgressBar(StatusBar1);
    RunProgress->setObjectName(QStringLiteral("RunProgress"));
    RunProgress->setAccessibleName(QStringLiteral("Images done"));
    RunProgress->setFixedWidth(140);
    RunProgress->setFormat(QStringLiteral("%v of %m"));
    RunProgress->setVisible(false); // shown while a run goes
    StatusBar1->addPermanentWidget(RunProgress);
    setStatusBar(StatusBar1);

    TimerChecker = new QTimer(this);
    TimerChecker->setInterval(1000);
}

void TAppForm::connectHandlers()
{
    connect(Clear1, &QAction::triggered, this, guarded(this, &TAppForm::Clear1Click));
    connect(AddFile1, &QAction::triggered, this, guarded(this, &TAppForm::AddFile1Click));
    connect(AddFolder1, &QAction::triggered, this, guarded(this, &TAppForm::AddFolder1Click));
    connect(Exit1, &QAction::triggered, this, guarded(this, &TAppForm::Exit1Click));
    connect(ResettoDefaults1, &QAction::triggered, this, guarded(this, &TAppForm::ResettoDefaults1Click));
    connect(Help2, &QAction::triggered, this, guarded(this, &TAppForm::Help2Click));
    connect(UpdateNotifications1, &QAction::triggered, this, guarded(this, &TAppForm::UpdateNotifications1Click));
    connect(SendFeedback1, &QAction::triggered, this, guarded(this, &TAppForm::SendFeedback1Click));
    connect(About1, &QAction::triggered, this, guarded(this, &TAppForm::About1Click));

    connect(ToolButton1, &QToolButton::clicked, this, guarded(this, &TAppForm::ToolButton1Click));
    connect(ToolButton2, &QToolButton::clicked, this, guarded(this, &TAppForm::ToolButton2Click));
    connect(ToolButton4, &QToolButton::clicked, this, guarded(this, &TAppForm::ToolButton4Click));
    connect(ToolButton5, &QToolButton::clicked, this, guarded(this, &TAppForm::ToolButton5Click));
    connect(ToolButton6, &QToolButton::clicked, this, guarded(this, &TAppForm::ToolButton6Click));

    connect(Open1, &QAction::triggered, this, guarded(this, &TAppForm::Open1Click));
    connect(OpenFolderLocation1, &QAction::triggered, this, guarded(this, &TAppForm::OpenFolderLocation1Click));
    connect(Properties1, &QAction::triggered, this, guarded(this, &TAppForm::Properties1Click));
    connect(Delete1, &QAction::triggered, this, guarded(this, &TAppForm::Delete1Click));
    connect(DeleteAll1, &QAction::triggered, this, guarded(this, &TAppForm::DeleteAll1Click));
    connect(ListView1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu1->popup(ListView1->viewport()->mapToGlobal(pos)); });

    connect(ButtonUp, &QPushButton::clicked, this, guarded(this, &TAppForm::ButtonUpClick));
    connect(ButtonDown, &QPushButton::clicked, this, guarded(this, &TAppForm::ButtonDownClick));
    connect(ButtonTop, &QPushButton::clicked, this, guarded(this, &TAppForm::ButtonTopClick));
    connect(ButtonBottom, &QPushButton::clicked, this, guarded(this, &TAppForm::ButtonBottomClick));
    connect(Button3, &QPushButton::clicked, this, guarded(this, &TAppForm::Button3Click));
    connect(Button1, &QPushButton::clicked, this, guarded(this, &TAppForm::Button1Click));

    connect(Edit1, &QLineEdit::textChanged, this, guarded(this, &TAppForm::Edit1Change));
    connect(Edit1, &QLineEdit::editingFinished, this, guarded(this, &TAppForm::Edit1Exit));
    connect(ComboBoxExtension, &QComboBox::activated, this, guarded(this, &TAppForm::ComboBoxExtensionChange));
    connect(TimerChecker, &QTimer::timeout, this, guarded(this, &TAppForm::TimerCheckerTimer));
}

QString TAppForm::StatusPanelText() const
{
    return StatusBar1->findChild<QLabel *>(QStringLiteral("StatusPanel0"))->text();
}

void TAppForm::SetStatusPanelText(const QString &text)
{
    StatusBar1->findChild<QLabel *>(QStringLiteral("StatusPanel0"))->setText(text);
}

void TAppForm::FormCreate()
{
    // Identity texts from the executable's own version block.
    // Without a readable block (a damaged executable; a sound build always carries one) the
    // error is shown in the application's error box and start-up goes on with the names this
    // build was made with, so that the settings folder, the window and every later step still
    // work. The version number follows the fixed version information alone: none gives 65535.65535.
    const QString executable = ExecutablePath();
    TEXEVersionData versionData;
    try {
        ReadEXEVersionData(executable, versionData);
    } catch (const MirelonError &error) {
        MirelonApplication::ShowUnhandledError(error.message());
        versionData.CompanyName = QStringLiteral(MIRELON_BUILD_COMPANY_NAME);
        versionData.ProductName = QStringLiteral(MIRELON_BUILD_PRODUCT_NAME);
    }
    AppCompanyName = versionData.CompanyName;
    AppProductName = versionData.ProductName;
    AppVersion = MajorMinorVersion(GetFileVersion(executable));
    AppTitle = AppCompanyName + QStringLiteral(" - ") + AppProductName;
    setWindowTitle(AppTitle);
    ChooseSettingsAndOpenStore();
    LoadSettingsIntoWindow();
    setAcceptDrops(true); // files and folders dropped from a file manager
    TimerChecker->start();
    Clear1Click();
}

void TAppForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    FormShow();
}

void TAppForm::FormShow()
{
    // The status bar always sits below the hidden output box: QMainWindow lays it out last.
}

void TAppForm::Exit1Click()
{
    close();
}

QString TAppForm::HelpAddress(const QString &productName)
{
    QString slug = productName;
    for (QChar &c : slug) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
        else if (c == QLatin1Char(' '))
            c = QLatin1Char('-');
    }
    return QStringLiteral("http://") + ServiceHost() + QStringLiteral("/help/") + slug + QLatin1Char('/');
}

void TAppForm::Help2Click()
{
    QDesktopServices::openUrl(QUrl(HelpAddress(AppProductName), QUrl::TolerantMode));
}

void TAppForm::ToolButton6Click()
{
    Help2->trigger();
}
