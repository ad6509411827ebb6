#pragma once
#include <QMainWindow>
#include <QString>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QWidget;
class BatchRun;
struct BatchSummary;
struct ImageOutcome;
enum class Action;

// The main window. Controls and handlers keep their established names; the handlers of each
// feature live in a file of their own (TAppForm*.cpp) and delegate to that feature's classes.
class TAppForm : public QMainWindow {
    Q_OBJECT

public:
    explicit TAppForm(QWidget *parent = nullptr);
    ~TAppForm() override;

    // Text of the status bar's one panel.
    QString StatusPanelText() const;
    void SetStatusPanelText(const QString &text);

    // Controls (public so that the features' handlers and the tests reach them).
    QToolBar *ToolBar1 = nullptr;
    QToolButton *ToolButton1 = nullptr; // Add Files
    QToolButton *ToolButton2 = nullptr; // Add Folder
    QToolButton *ToolButton4 = nullptr; // Feedback
    QToolButton *ToolButton5 = nullptr; // About
    QToolButton *ToolButton6 = nullptr; // Help
    QTreeWidget *ListView1 = nullptr;
    QPushButton *ButtonUp = nullptr;
    QPushButton *ButtonDown = nullptr;
    QPushButton *ButtonTop = nullptr;
    QPushButton *ButtonBottom = nullptr;
    QWidget *RightPanel = nullptr;
    QLabel *Label4 = nullptr;
    QComboBox *ComboBoxAction = nullptr;
    QLabel *Label1 = nullptr;
    QComboBox *ComboBoxExtension = nullptr;
    QLabel *Label2 = nullptr;
    QPushButton *Button3 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QPushButton *Button1 = nullptr;
    QPlainTextEdit *MemoCMD = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QProgressBar *RunProgress = nullptr; // in the status bar while a run goes
    QTimer *TimerChecker = nullptr;

    // Menu items.
    QAction *Clear1 = nullptr;
    QAction *AddFile1 = nullptr;
    QAction *AddFolder1 = nullptr;
    QAction *Exit1 = nullptr;
    QAction *ResettoDefaults1 = nullptr;
    QAction *Help2 = nullptr;
    QAction *UpdateNotifications1 = nullptr;
    QAction *SendFeedback1 = nullptr;
    QAction *About1 = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *Open1 = nullptr;
    QAction *OpenFolderLocation1 = nullptr;
    QAction *Properties1 = nullptr;
    QAction *Delete1 = nullptr;
    QAction *DeleteAll1 = nullptr;

    // Start-up (TAppForm.cpp).
    void FormCreate();
    static QString HelpAddress(const QString &productName);

    // Settings (TAppFormSettings.cpp): start-up steps and the destination setter.
    void ChooseSettingsAndOpenStore();
    void LoadSettingsIntoWindow();
    void AddMyFolder(const QString &foldername);

    // Image list operations (TAppFormImageList.cpp).
    void Ekle(const QString &isim);
    void AddFolderFiles(const QString &foldername);
    void AddAllFilesInDir(const QString &dirName);
    void ResimSayisiDegisti();
    void WMDropFiles(const QStringList &paths);
    void ListView1DragDrop(const QPoint &position);

    // Script generators, one per action (TAppFormRun.cpp).
    void ExportFacePositions(const QString &PhpDir);
    void MarkFacesInImage(const QString &PhpDir);
    void BlurFacesInImage(const QString &PhpDir);
    void SaveFacesAsSeparateImages(const QString &PhpDir);

    // The run in progress, or none (TAppFormRun.cpp). While it goes, Convert reads "Stop"
    // (Escape too) and the list is locked.
    BatchRun *CurrentRun = nullptr;
    bool RunInProgress() const { return CurrentRun != nullptr; }
    void StopRun();

public slots:
    // Application shell (TAppForm.cpp).
    void Exit1Click();
    void Help2Click();
    void ToolButton6Click();

    // Settings (TAppFormSettings.cpp).
    void Edit1Change();
    void Edit1Exit(); // the end of an edit: reports a destination the settings file cannot hold
    void ComboBoxExtensionChange();
    void Button3Click();
    void ResettoDefaults1Click();

    // Image list (TAppFormImageList.cpp).
    void Clear1Click();
    void AddFile1Click();
    void AddFolder1Click();
    void ToolButton1Click();
    void ToolButton2Click();
    void ButtonUpClick();
    void ButtonDownClick();
    void ButtonTopClick();
    void ButtonBottomClick();
    void Delete1Click();
    void DeleteAll1Click();
    void Open1Click();
    void OpenFolderLocation1Click();
    void Properties1Click();

    // Face processing run (TAppFormRun.cpp).
    void Button1Click();

    // Update check (TAppFormUpdate.cpp).
    void TimerCheckerTimer();
    void UpdateNotifications1Click();

    // Information windows (TAppFormInfo.cpp).
    void About1Click();
    void ToolButton5Click();
    void SendFeedback1Click();
    void ToolButton4Click();

protected:
    void showEvent(QShowEvent *event) override;
    // During a run, asks whether to stop it; Yes stops it and closes, No keeps it running.
    void closeEvent(QCloseEvent *event) override;

    // Files and folders dropped from a file manager (TAppFormImageList.cpp).
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Update check (TAppFormUpdate.cpp): set once the checker thread has been created.
    bool TimerCheckerStarted = false;

    void FormShow();

    // Face processing run (TAppFormRun.cpp).
    void StartRun(Action action, const QString &PhpDir);
    void RunImageStarted(qsizetype index, const QString &path);
    void RunImageFinished(const ImageOutcome &outcome);
    void RunFinished(const BatchSummary &summary);
    void SetRunControls(bool running);
    void buildMenus();
    void buildToolBar();
    void buildCentralArea();
    void connectHandlers();
};
