#pragma once
#include "platform/WindowDragFilter.h"
#include "infowindows/AboutEgg.h"
#include "infowindows/AboutMatrixRain.h"

#include <QDialog>
#include <QIcon>
#include <QImage>
#include <QMap>
#include <QMessageBox>

#include <functional>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;
class QUrl;

// The About window: the maker's logo, the application's icon, name and version on a central
// panel over a black window in which the letters of "kor" rain down. A double click on the
// icon slides the panel away and uncovers a hidden picture.
class AboutBox : public QDialog {
    Q_OBJECT

public:
    explicit AboutBox(QWidget *parent = nullptr, RandomBelow random = SystemRandom());
    ~AboutBox() override;

    // Host of the maker's web site and the addresses the window opens.
    static QString SiteHost();
    static QString SiteAddress();
    static QString CreditsAddress();
    static QString UninstallAddress();

    QFrame *centralPanel = nullptr;
    QLabel *logoImage = nullptr;
    QFrame *iconFrame = nullptr;
    QLabel *appIconImage = nullptr;
    QLabel *nameAndVersionLabel = nullptr;
    QPushButton *okButton = nullptr;
    QPushButton *infoButton = nullptr;
    QLabel *websiteLabel = nullptr;
    QFrame *hiddenPanel = nullptr;
    QLabel *hiddenImage = nullptr;
    QMenu *infoMenu = nullptr;
    QAction *acknowledgementsAction = nullptr;
    QAction *uninstallHelpAction = nullptr;
    QAction *licenseAction = nullptr;
    QTimer *rainTimer = nullptr;
    QTimer *slideTimer = nullptr;

    // Rain, hidden picture and dragging state.
    MatrixRain Rain;
    AboutEgg Egg{0}; // starts at the central panel's place
    WindowDragFilter *Drag = nullptr;
    int bitmapWidth = 0;
    int bitmapHeight = 0;
    QMap<QString, QIcon> AppIconCollection;

    // What the rain has drawn so far (the window shows it as its background).
    const QImage &outCanvas() const { return canvas; }

    // Folder searched for license.txt: the executable's folder.
    QString LicenseFolder;
    // Opening web pages and files, and message boxes; replaceable so that nothing blocks or
    // leaves the machine in tests.
    std::function<void(const QUrl &)> OpenAddress;
    std::function<void(QMessageBox::Icon, const QString &title, const QString &text)> ShowMessage;

public slots:
    void closeBox();
    void showInfoMenu();
    void openWebsite();
    void openAcknowledgements();
    void openUninstallHelp();
    void openLicense();
    void stepRain();
    void appIconDoubleClicked();
    void hiddenImageDoubleClicked();
    void slidePanel();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QImage canvas;
    bool screenWatched = false;

    void buildControls();
    void fillControls();
    void StartMatrix();
    void ResetMatrix();
    void renderPictures();
};
