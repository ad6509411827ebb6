#pragma once
#include "processing/BatchRun.h" // FailedImage
#include "processing/InOrderPublisher.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QSplitter;
class PrivateRunFolder;
class QTimer;
class QToolBar;
class QToolButton;
class BatchRun;
class FaceSearch;
class ImageListModel;
class ImageListView;
class ReviewPane;
struct BatchSummary;
struct FaceSearchResult;

struct ImageOutcome;
enum class Action;

// The main window: the image list and the review pane side by side (a splitter between them),
// the settings panel on the right, one QAction per command shared by menu, toolbar, context menu
// and shortcut. The handlers of each feature live in a file of their own (MainWindow*.cpp) and
// delegate to that feature's classes. Widgets are private; tests find them by object name.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Text of the status bar's one panel.
    QString statusText() const;

    // Adds one picture at the end of the list; an unreadable one is reported in an "ERROR" box.
    void addImage(const QString &path);
    // Adds every picture directly inside the folder.
    void addFolder(const QString &folder);
    // Files and folders dropped from a file manager (ignored while a run goes).
    void addDroppedPaths(const QStringList &paths);

    // The run in progress, if any. While it goes, Convert reads "Stop" (Escape too) and the list
    // and the run's settings are locked.
    bool runInProgress() const { return run_ != nullptr; }
    void stopRun();
    // The output of the last image that ended (kept, not shown).
    QString lastRunOutput() const { return lastRunOutput_; }

    // The address "Online Help" opens.
    static QString helpAddress(const QString &productName);

protected:
    // During a run, asks whether to stop it; Yes stops it and closes, No keeps it running.
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Construction (MainWindow.cpp).
    void createActions();
    void buildMenus();
    void buildToolBar();
    void buildCentralArea();
    void buildStatusBar();
    void connectHandlers();
    void loadIdentity();
    void restoreWindowSize();
    void storeWindowSize();
    void openOnlineHelp();

    // Settings (MainWindowSettings.cpp).
    void openSettings();
    void loadSettings();
    void storeDestination();
    void destinationEditFinished(); // reports a destination the settings file cannot hold
    void storeFormat();
    void chooseDestination();
    void setDestinationFolder(const QString &folder);
    void resetToDefaults();

    // Image list (MainWindowImageList.cpp).
    void clearList();
    void chooseFiles();
    void chooseFolders();
    void moveUp();
    void moveDown();
    void moveToTop();
    void moveToBottom();
    void moveCurrentEntryBefore(const QPoint &position);
    void deleteSelected();
    void openCurrent();
    void openCurrentFolderLocation();
    void showCurrentProperties();
    void updateImageCount();
    QString currentEntryPath() const;

    // Review (MainWindowReview.cpp).
    void currentEntryChanged();
    void searchAhead(int row);
    void faceSearchEnded(quint64 id, const FaceSearchResult &result);
    int shownRow() const;
    void reviewFaces();
    void stepEntry(int step);
    void reviewEdited();

    // Run (MainWindowRun.cpp).
    void convertOrStop();
    void startRun(Action action, const QString &phpDir);
    void runImageStarted(qsizetype index, const QString &path);
    void runImageFinished(const ImageOutcome &outcome);
    void runFinished(const BatchSummary &summary);
    void endRun();
    void setRunControls(bool running);

    // Update check and information windows (MainWindowUpdate.cpp, MainWindowInfo.cpp).
    void checkForUpdate();
    void storeUpdateNotifications();
    void showAbout();
    void showFeedback();

    // Commands.
    QAction *clearAction_ = nullptr;
    QAction *addFilesAction_ = nullptr;
    QAction *addFolderAction_ = nullptr;
    QAction *exitAction_ = nullptr;
    QAction *resetToDefaultsAction_ = nullptr;
    QAction *onlineHelpAction_ = nullptr;
    QAction *updateNotificationsAction_ = nullptr;
    QAction *sendFeedbackAction_ = nullptr;
    QAction *aboutAction_ = nullptr;
    QAction *openAction_ = nullptr;
    QAction *openFolderLocationAction_ = nullptr;
    QAction *propertiesAction_ = nullptr;
    QAction *deleteSelectedAction_ = nullptr;
    QAction *deleteAllAction_ = nullptr;
    QAction *moveUpAction_ = nullptr;
    QAction *moveDownAction_ = nullptr;
    QAction *moveToTopAction_ = nullptr;
    QAction *moveToBottomAction_ = nullptr;
    QAction *reviewFacesAction_ = nullptr;

    // Widgets.
    QToolBar *toolBar_ = nullptr;
    QMenu *listContextMenu_ = nullptr;
    QSplitter *splitter_ = nullptr;
    ImageListModel *imageModel_ = nullptr;
    ImageListView *imageList_ = nullptr;
    ReviewPane *reviewPane_ = nullptr;
    QComboBox *actionCombo_ = nullptr;
    QComboBox *formatCombo_ = nullptr;
    QPushButton *chooseDestinationButton_ = nullptr;
    QLineEdit *destinationEdit_ = nullptr;
    QPushButton *convertButton_ = nullptr;
    QLabel *statusText_ = nullptr;
    QProgressBar *runProgress_ = nullptr;
    QTimer *updateCheckTimer_ = nullptr;

    FaceSearch *faceSearch_ = nullptr;
    quint64 shownId_ = 0; // the entry the review pane shows, 0 for none
    BatchRun *run_ = nullptr;
    std::unique_ptr<PrivateRunFolder> runFacesFolder_; // the faces files of the run's reviewed entries
    std::unique_ptr<PrivateRunFolder> runStaging_;  // with several jobs: each image's private folder
    std::unique_ptr<InOrderPublisher> publisher_;   // with several jobs: outputs move in list order
    QList<FailedImage> publishFailures_;
    QString lastRunOutput_;
    bool updateCheckStarted_ = false;
};
