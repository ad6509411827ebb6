#include "app/MainWindow.h"

#include "platform/AppIdentity.h"
#include "app/AppState.h"
#include "app/MirelonApplication.h"
#include "imagelist/ImageListModel.h"
#include "imagelist/ImageListView.h"
#include "infowindows/VersionInfo.h"
#include "platform/AppPaths.h"
#include "platform/Errors.h"
#include "platform/PrivateRunFolder.h"
#include "platform/ServiceHost.h"
#include "platform/VersionResource.h"
#include "review/FaceSearch.h"
#include "review/ReviewPane.h"

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
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {
const QSize DefaultWindowSize(1100, 700);
const QSize SmallestWindowSize(480, 360);
const QString windowSection = QStringLiteral("Window");

QIcon picture(const char *name)
{
    return QIcon(QStringLiteral(":/icons/") + QLatin1String(name) + QStringLiteral(".svg"));
}

// Wraps a handler so that an error it raises is reported by the application's default error
// box right here, instead of unwinding through the toolkit's signal code, which is built
// without exception support.
auto guarded(MainWindow *window, void (MainWindow::*handler)())
{
    return [window, handler] { MirelonApplication::RunReportingErrors([window, handler] { (window->*handler)(); }); };
}

QAction *newAction(QObject *parent, const char *objectName, const QString &text, const QIcon &icon = QIcon())
{
    auto *action = new QAction(icon, text, parent);
    action->setObjectName(QLatin1String(objectName));
    return action;
}

int storedNumber(const QString &key, int fallback)
{
    bool ok = false;
    const int value = SettingsIni.value(windowSection, key, QString()).toInt(&ok);
    return ok ? value : fallback;
}
} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    Q_INIT_RESOURCE(resources); // the pictures live in this static library
    setWindowIcon(picture("mirelon"));
    QApplication::setWindowIcon(windowIcon()); // the icon of every window the application opens
    setMinimumSize(SmallestWindowSize);
    createActions();
    buildMenus();
    buildToolBar();
    buildCentralArea();
    buildStatusBar();
    connectHandlers();

    loadIdentity();
    openSettings();
    loadSettings();
    restoreWindowSize();
    setAcceptDrops(true); // files and folders dropped from a file manager
    updateCheckTimer_->start();
    clearList();
}

MainWindow::~MainWindow() = default;

void MainWindow::createActions()
{
    clearAction_ = newAction(this, "clearAction", QStringLiteral("Clear"));
    addFilesAction_ = newAction(this, "addFilesAction", QStringLiteral("Add Files..."), picture("add-files"));
    addFilesAction_->setIconText(QStringLiteral("Add Files"));
    addFilesAction_->setToolTip(QStringLiteral("Add files to the list"));
    addFolderAction_ = newAction(this, "addFolderAction", QStringLiteral("Add Folder..."), picture("add-folder"));
    addFolderAction_->setIconText(QStringLiteral("Add Folder"));
    addFolderAction_->setToolTip(QStringLiteral("Add folder to the list"));
    exitAction_ = newAction(this, "exitAction", QStringLiteral("Exit"), picture("exit"));
    resetToDefaultsAction_ = newAction(this, "resetToDefaultsAction", QStringLiteral("Reset to Defaults..."));
    onlineHelpAction_ = newAction(this, "onlineHelpAction", QStringLiteral("Online Help"), picture("help"));
    onlineHelpAction_->setIconText(QStringLiteral("Help"));
    onlineHelpAction_->setToolTip(QStringLiteral("Online help"));
    onlineHelpAction_->setShortcut(QKeySequence(Qt::Key_F1));
    onlineHelpAction_->setShortcutContext(Qt::WindowShortcut);
    updateNotificationsAction_ = newAction(this, "updateNotificationsAction", QStringLiteral("Update Notifications"));
    updateNotificationsAction_->setCheckable(true);
    updateNotificationsAction_->setChecked(true);
    updateNotificationsAction_->setEnabled(false); // usable once the update check is done
    sendFeedbackAction_ = newAction(this, "sendFeedbackAction", QStringLiteral("Send Feedback..."), picture("feedback"));
    sendFeedbackAction_->setIconText(QStringLiteral("Feedback"));
    sendFeedbackAction_->setToolTip(QStringLiteral("Send feedback"));
    aboutAction_ = newAction(this, "aboutAction", QStringLiteral("About..."), picture("about"));
    aboutAction_->setIconText(QStringLiteral("About"));
    aboutAction_->setToolTip(QStringLiteral("Show aboutbox"));

    openAction_ = newAction(this, "openAction", QStringLiteral("Open"));
    openFolderLocationAction_ = newAction(this, "openFolderLocationAction", QStringLiteral("Open Folder Location..."));
    propertiesAction_ = newAction(this, "propertiesAction", QStringLiteral("Properties"));
    deleteSelectedAction_ = newAction(this, "deleteSelectedAction", QStringLiteral("Delete Selected"));
    deleteAllAction_ = newAction(this, "deleteAllAction", QStringLiteral("Delete All"));
    reviewFacesAction_ = newAction(this, "reviewFacesAction", QStringLiteral("Review Faces"));
    reviewFacesAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    reviewFacesAction_->setShortcutContext(Qt::WindowShortcut);
    addAction(reviewFacesAction_); // the shortcut works wherever the focus is in the window

    moveUpAction_ = newAction(this, "moveUpAction", QStringLiteral("Up"), picture("up"));
    moveDownAction_ = newAction(this, "moveDownAction", QStringLiteral("Down"), picture("down"));
    moveToTopAction_ = newAction(this, "moveToTopAction", QStringLiteral("Top"), picture("top"));
    moveToBottomAction_ = newAction(this, "moveToBottomAction", QStringLiteral("Bottom"), picture("bottom"));
}

void MainWindow::buildMenus()
{
    QMenu *file = menuBar()->addMenu(tr("&File"));
    file->addAction(clearAction_);
    file->addSeparator();
    file->addAction(addFilesAction_);
    file->addAction(addFolderAction_);
    file->addSeparator();
    file->addAction(reviewFacesAction_);
    file->addSeparator();
    file->addAction(exitAction_);

    QMenu *settings = menuBar()->addMenu(tr("&Settings"));
    settings->addAction(resetToDefaultsAction_);

    QMenu *help = menuBar()->addMenu(tr("&Help"));
    help->addAction(onlineHelpAction_);
    help->addSeparator();
    help->addAction(updateNotificationsAction_);
    help->addSeparator();
    help->addAction(sendFeedbackAction_);
    help->addAction(aboutAction_);

    listContextMenu_ = new QMenu(this);
    listContextMenu_->setObjectName(QStringLiteral("listContextMenu"));
    listContextMenu_->addAction(openAction_);
    listContextMenu_->addAction(openFolderLocationAction_);
    listContextMenu_->addAction(propertiesAction_);
    listContextMenu_->addSeparator();
    listContextMenu_->addAction(reviewFacesAction_);
    listContextMenu_->addSeparator();
    listContextMenu_->addAction(deleteSelectedAction_);
    listContextMenu_->addAction(deleteAllAction_);
}

void MainWindow::buildToolBar()
{
    toolBar_ = new QToolBar(QStringLiteral("Toolbar"), this);
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setIconSize(QSize(64, 64));
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolBar_->setStyleSheet(QStringLiteral("QToolBar { padding: 0px; spacing: 0px; border: none; }"));
    toolBar_->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, toolBar_);

    auto addButton = [this](QAction *action, const char *objectName) {
        toolBar_->addAction(action);
        auto *button = qobject_cast<QToolButton *>(toolBar_->widgetForAction(action));
        button->setObjectName(QLatin1String(objectName));
        button->setAccessibleName(action->iconText());
        button->setAccessibleDescription(action->toolTip());
        button->setMinimumSize(71, 84); // grows when the desktop font needs more room for the caption
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::TabFocus);
    };
    addButton(addFilesAction_, "addFilesButton");
    addButton(addFolderAction_, "addFolderButton");
    auto *gap = new QWidget(toolBar_);
    gap->setFixedWidth(8);
    toolBar_->addWidget(gap);
    addButton(sendFeedbackAction_, "feedbackButton");
    addButton(aboutAction_, "aboutButton");
    addButton(onlineHelpAction_, "helpButton");
}

void MainWindow::buildCentralArea()
{
    auto *central = new QWidget(this);
    auto *outer = new QHBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    splitter_ = new QSplitter(Qt::Horizontal, central);
    splitter_->setObjectName(QStringLiteral("listAndReviewSplitter"));
    splitter_->setChildrenCollapsible(false);
    outer->addWidget(splitter_, 1);

    // Left of the splitter: the image list and the strip of move buttons under it.
    auto *listSide = new QWidget(splitter_);
    auto *left = new QVBoxLayout(listSide);
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);

    imageModel_ = new ImageListModel(this);
    imageList_ = new ImageListView(imageModel_, listSide);
    imageList_->setObjectName(QStringLiteral("imageList"));
    imageList_->setAccessibleName(QStringLiteral("Image files"));
    imageList_->setRootIsDecorated(false);
    imageList_->setUniformRowHeights(true);
    imageList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    imageList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    imageList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    imageList_->setIconSize(QSize(16, 16));
    imageList_->setContextMenuPolicy(Qt::CustomContextMenu);
    imageList_->setTextElideMode(Qt::ElideMiddle); // a long path keeps its file name in view
    imageList_->setStyleSheet(QStringLiteral(
        "QTreeView::item { border-right: 1px solid palette(midlight); border-bottom: 1px solid palette(midlight); }"
        "QTreeView::item:selected { background: palette(highlight); color: palette(highlighted-text); }"));
    QHeaderView *header = imageList_->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(ImageListModel::ImageFileColumn, QHeaderView::Stretch);
    for (int column : {int(ImageListModel::WidthColumn), int(ImageListModel::HeightColumn), int(ImageListModel::FacesColumn)}) {
        header->setSectionResizeMode(column, QHeaderView::Interactive);
        header->resizeSection(column, column == ImageListModel::FacesColumn ? 64 : 56);
    }
    header->setSectionsMovable(false);
    left->addWidget(imageList_, 1);

    auto *strip = new QWidget(listSide);
    auto *stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(2, 2, 2, 2);
    stripLayout->setSpacing(0);
    auto addMoveButton = [strip, stripLayout](QAction *action, const char *objectName) {
        auto *button = new QToolButton(strip);
        button->setObjectName(QLatin1String(objectName));
        button->setDefaultAction(action);
        button->setFixedSize(24, 25);
        button->setAccessibleName(action->text()); // a picture-only button: the screen reader says this
        stripLayout->addWidget(button);
    };
    addMoveButton(moveUpAction_, "moveUpButton");
    addMoveButton(moveDownAction_, "moveDownButton");
    addMoveButton(moveToTopAction_, "moveToTopButton");
    addMoveButton(moveToBottomAction_, "moveToBottomButton");
    stripLayout->addStretch(1);
    left->addWidget(strip);

    // Right of the splitter: the review pane.
    reviewPane_ = new ReviewPane(splitter_);
    reviewPane_->setObjectName(QStringLiteral("reviewPane"));
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 1);

    // The run's settings, in a panel of their own at the right edge.
    auto *settingsPanel = new QWidget(central);
    settingsPanel->setObjectName(QStringLiteral("settingsPanel"));
    settingsPanel->setFixedWidth(238);
    auto *panel = new QVBoxLayout(settingsPanel);
    panel->setContentsMargins(6, 6, 6, 6);
    panel->setSpacing(2);
    outer->addWidget(settingsPanel);

    auto *actionLabel = new QLabel(QStringLiteral("Action:"), settingsPanel);
    actionLabel->setObjectName(QStringLiteral("actionLabel"));
    actionCombo_ = new QComboBox(settingsPanel);
    actionCombo_->setObjectName(QStringLiteral("actionCombo"));
    actionCombo_->addItems({QStringLiteral("Mark Faces in Image"), QStringLiteral("Blur Faces in Image"),
                            QStringLiteral("Save Faces as Separate Images"), QStringLiteral("Export Face Positions")});
    actionCombo_->setCurrentIndex(0);
    actionLabel->setBuddy(actionCombo_);
    panel->addWidget(actionLabel);
    panel->addWidget(actionCombo_);
    panel->addSpacing(10);

    auto *formatLabel = new QLabel(QStringLiteral("Output Format:"), settingsPanel);
    formatLabel->setObjectName(QStringLiteral("formatLabel"));
    formatCombo_ = new QComboBox(settingsPanel);
    formatCombo_->setObjectName(QStringLiteral("formatCombo"));
    formatCombo_->addItems({QStringLiteral("PNG"), QStringLiteral("JPG"), QStringLiteral("WEBP"), QStringLiteral("BMP")});
    formatCombo_->setCurrentIndex(0);
    formatLabel->setBuddy(formatCombo_);
    panel->addWidget(formatLabel);
    panel->addWidget(formatCombo_);
    panel->addSpacing(10);

    auto *destinationLabel = new QLabel(QStringLiteral("Destination Directory:"), settingsPanel);
    destinationLabel->setObjectName(QStringLiteral("destinationLabel"));
    panel->addWidget(destinationLabel);
    auto *destinationRow = new QHBoxLayout;
    destinationRow->setSpacing(2);
    chooseDestinationButton_ = new QPushButton(settingsPanel);
    chooseDestinationButton_->setObjectName(QStringLiteral("chooseDestinationButton"));
    chooseDestinationButton_->setIcon(picture("folder"));
    chooseDestinationButton_->setFixedSize(24, 23);
    chooseDestinationButton_->setToolTip(QStringLiteral("Change Destination Folder"));
    chooseDestinationButton_->setAccessibleName(QStringLiteral("Change Destination Folder"));
    destinationEdit_ = new QLineEdit(settingsPanel);
    destinationEdit_->setObjectName(QStringLiteral("destinationEdit"));
    destinationLabel->setBuddy(destinationEdit_);
    destinationRow->addWidget(chooseDestinationButton_);
    destinationRow->addWidget(destinationEdit_, 1);
    panel->addLayout(destinationRow);
    panel->addSpacing(6);

    convertButton_ = new QPushButton(picture("convert"), QStringLiteral("Convert"), settingsPanel);
    convertButton_->setObjectName(QStringLiteral("convertButton"));
    convertButton_->setMinimumHeight(37);
    convertButton_->setIconSize(QSize(24, 24));
    QFont bigger = convertButton_->font();
    bigger.setPixelSize(19);
    convertButton_->setFont(bigger);
    panel->addWidget(convertButton_);
    panel->addStretch(1);

    setTabOrder(imageList_, reviewPane_);
    setTabOrder(reviewPane_, actionCombo_);
    setTabOrder(actionCombo_, formatCombo_);
    setTabOrder(formatCombo_, chooseDestinationButton_);
    setTabOrder(chooseDestinationButton_, destinationEdit_);
    setTabOrder(destinationEdit_, convertButton_);

    setCentralWidget(central);
}

void MainWindow::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    bar->setSizeGripEnabled(true);
    statusText_ = new QLabel(bar);
    statusText_->setObjectName(QStringLiteral("statusText"));
    // A long text (a deep path) is cut at the window's edge instead of widening the window.
    statusText_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(statusText_, 1);
    runProgress_ = new QProgressBar(bar);
    runProgress_->setObjectName(QStringLiteral("runProgress"));
    runProgress_->setAccessibleName(QStringLiteral("Images done"));
    runProgress_->setFixedWidth(140);
    runProgress_->setFormat(QStringLiteral("%v of %m"));
    runProgress_->setVisible(false); // shown while a run goes
    bar->addPermanentWidget(runProgress_);

    updateCheckTimer_ = new QTimer(this);
    updateCheckTimer_->setObjectName(QStringLiteral("updateCheckTimer"));
    updateCheckTimer_->setInterval(1000);
}

void MainWindow::connectHandlers()
{
    const std::pair<QAction *, void (MainWindow::*)()> commands[] = {
        {clearAction_, &MainWindow::clearList},
        {addFilesAction_, &MainWindow::chooseFiles},
        {addFolderAction_, &MainWindow::chooseFolders},
        {resetToDefaultsAction_, &MainWindow::resetToDefaults},
        {onlineHelpAction_, &MainWindow::openOnlineHelp},
        {updateNotificationsAction_, &MainWindow::storeUpdateNotifications},
        {sendFeedbackAction_, &MainWindow::showFeedback},
        {aboutAction_, &MainWindow::showAbout},
        {openAction_, &MainWindow::openCurrent},
        {openFolderLocationAction_, &MainWindow::openCurrentFolderLocation},
        {propertiesAction_, &MainWindow::showCurrentProperties},
        {deleteSelectedAction_, &MainWindow::deleteSelected},
        {deleteAllAction_, &MainWindow::clearList},
        {moveUpAction_, &MainWindow::moveUp},
        {moveDownAction_, &MainWindow::moveDown},
        {moveToTopAction_, &MainWindow::moveToTop},
        {moveToBottomAction_, &MainWindow::moveToBottom},
        {reviewFacesAction_, &MainWindow::reviewFaces},
    };
    for (const auto &[action, handler] : commands)
        connect(action, &QAction::triggered, this, guarded(this, handler));
    connect(exitAction_, &QAction::triggered, this, &QWidget::close);

    connect(imageList_, &ImageListView::deleteKeyPressed, this, guarded(this, &MainWindow::deleteSelected));
    connect(imageList_, &ImageListView::entryDropped, this, &MainWindow::moveCurrentEntryBefore);
    connect(imageList_, &ImageListView::pathsDropped, this, &MainWindow::addDroppedPaths);
    connect(imageList_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { listContextMenu_->popup(imageList_->viewport()->mapToGlobal(pos)); });
    connect(imageList_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            guarded(this, &MainWindow::currentEntryChanged));
    connect(imageList_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            guarded(this, &MainWindow::currentEntryChanged));
    // A cleared list or a deleted shown entry empties the pane.
    connect(imageModel_, &QAbstractItemModel::modelReset, this, guarded(this, &MainWindow::currentEntryChanged));
    connect(imageModel_, &QAbstractItemModel::rowsRemoved, this, guarded(this, &MainWindow::currentEntryChanged));

    faceSearch_ = new FaceSearch(ExecutableFolder() + QStringLiteral("/mirelon-facedetect"), this);
    connect(faceSearch_, &FaceSearch::found, this, &MainWindow::faceSearchEnded);
    connect(reviewPane_, &ReviewPane::stepRequested, this, &MainWindow::stepEntry);
    connect(reviewPane_, &ReviewPane::reviewEdited, this, guarded(this, &MainWindow::reviewEdited));

    connect(chooseDestinationButton_, &QPushButton::clicked, this, guarded(this, &MainWindow::chooseDestination));
    connect(convertButton_, &QPushButton::clicked, this, guarded(this, &MainWindow::convertOrStop));
    connect(destinationEdit_, &QLineEdit::textChanged, this, guarded(this, &MainWindow::storeDestination));
    connect(destinationEdit_, &QLineEdit::editingFinished, this, guarded(this, &MainWindow::destinationEditFinished));
    connect(formatCombo_, &QComboBox::activated, this, guarded(this, &MainWindow::storeFormat));
    connect(updateCheckTimer_, &QTimer::timeout, this, guarded(this, &MainWindow::checkForUpdate));
}

QString MainWindow::statusText() const
{
    return statusText_->text();
}

void MainWindow::loadIdentity()
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
}

// The size of the last session from settings.ini (about 1100 x 700 the first time), never larger
// than the screen; the window opens centred.
void MainWindow::restoreWindowSize()
{
    QSize size(storedNumber(QStringLiteral("Width"), DefaultWindowSize.width()),
               storedNumber(QStringLiteral("Height"), DefaultWindowSize.height()));
    size = size.expandedTo(SmallestWindowSize);
    if (const QScreen *screen = this->screen()) {
        size = size.boundedTo(screen->availableGeometry().size());
        resize(size);
        move(screen->availableGeometry().center() - rect().center());
    } else {
        resize(size);
    }
    const int listWidth = storedNumber(QStringLiteral("ListWidth"), 0);
    const int reviewWidth = storedNumber(QStringLiteral("ReviewWidth"), 0);
    if (listWidth > 0 && reviewWidth > 0)
        splitter_->setSizes({listWidth, reviewWidth});
    else
        splitter_->setSizes({1, 1});
    if (storedNumber(QStringLiteral("Maximized"), 0) == 1)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void MainWindow::storeWindowSize()
{
    const QSize size = isMaximized() || isFullScreen() ? normalGeometry().size() : this->size();
    const QList<int> parts = splitter_->sizes();
    try {
        if (size.isValid()) {
            SettingsIni.setValue(windowSection, QStringLiteral("Width"), QString::number(size.width()));
            SettingsIni.setValue(windowSection, QStringLiteral("Height"), QString::number(size.height()));
        }
        SettingsIni.setValue(windowSection, QStringLiteral("Maximized"), isMaximized() ? QStringLiteral("1") : QStringLiteral("0"));
        if (parts.size() == 2 && parts[0] > 0 && parts[1] > 0) {
            SettingsIni.setValue(windowSection, QStringLiteral("ListWidth"), QString::number(parts[0]));
            SettingsIni.setValue(windowSection, QStringLiteral("ReviewWidth"), QString::number(parts[1]));
        }
        SettingsIni.save();
    } catch (const MirelonError &) {
        // The size is a convenience: a settings file that cannot be written must not keep the
        // window from closing (every other setting reports that failure when it is changed).
    }
}

QString MainWindow::helpAddress(const QString &productName)
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

void MainWindow::openOnlineHelp()
{
    QDesktopServices::openUrl(QUrl(helpAddress(AppProductName), QUrl::TolerantMode));
}
