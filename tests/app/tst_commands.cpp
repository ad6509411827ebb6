// The main window's own commands: Exit, Online Help, the two Add dialogs and the pictures of
// the menus and the toolbar, each reached the ways a user reaches it.
#include "platform/AppIdentity.h"
#include "app/MainWindow.h"
#include "tests/support/MainWindowParts.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QImage>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>

namespace {
// Receives the addresses the desktop would open.
class UrlCatcher : public QObject {
    Q_OBJECT
public slots:
    void open(const QUrl &url) { opened.append(url); }

public:
    QList<QUrl> opened;
};

// Whether the icon draws something at 16 x 16 pixels (a missing picture draws nothing).
bool drawsSomething(const QIcon &icon)
{
    const QImage image = icon.pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                return true;
    return false;
}
} // namespace

class TestCommands : public QObject {
    Q_OBJECT

private slots:
    void init() { qputenv("MIRELON_SERVICE_HOST", "127.0.0.1:9"); }

    void onlineHelpOpensTheHelpAddress_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Help > Online Help") << "menu";
        QTest::newRow("toolbar Help") << "toolbar";
        QTest::newRow("F1 in the list") << "F1";
    }
    void onlineHelpOpensTheHelpAddress()
    {
        QFETCH(QString, how);
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
        MainWindow form;
        form.show();
        QApplication::setActiveWindow(&form);
        QVERIFY(QTest::qWaitForWindowActive(&form));
        if (how == "menu")
            Command(form, "onlineHelpAction")->trigger();
        else if (how == "toolbar")
            QTest::mouseClick(Part<QToolButton>(form, "helpButton"), Qt::LeftButton);
        else
            QTest::keyClick(ImageList(form), Qt::Key_F1);
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QCOMPARE(catcher.opened, QList<QUrl>{QUrl(QStringLiteral("http://127.0.0.1:9/help/mirelon/"))});
    }

    void addDialogsOpen_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("fileMode");
        QTest::newRow("File > Add Files...") << "AddFile1" << int(QFileDialog::ExistingFiles);
        QTest::newRow("toolbar Add Files") << "ToolButton1" << int(QFileDialog::ExistingFiles);
        QTest::newRow("File > Add Folder...") << "AddFolder1" << int(QFileDialog::Directory);
        QTest::newRow("toolbar Add Folder") << "ToolButton2" << int(QFileDialog::Directory);
    }
    void addDialogsOpen()
    {
        QFETCH(QString, how);
        QFETCH(int, fileMode);
        MainWindow form;
        int seenMode = -1;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
                seenMode = int(dialog->fileMode());
                dialog->reject();
            }
        });
        poll.start(10);
        QTimer::singleShot(5000, [] { // a dialog that never came (or never closed) fails, not hangs
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
        });
        if (how == "AddFile1")
            Command(form, "addFilesAction")->trigger();
        else if (how == "AddFolder1")
            Command(form, "addFolderAction")->trigger();
        else if (how == "ToolButton1")
            QTest::mouseClick(Part<QToolButton>(form, "addFilesButton"), Qt::LeftButton);
        else
            QTest::mouseClick(Part<QToolButton>(form, "addFolderButton"), Qt::LeftButton);
        QCOMPARE(seenMode, fileMode);
    }

    void menuAndToolbarPictures()
    {
        MainWindow form;
        for (QAction *item : {Command(form, "addFilesAction"), Command(form, "addFolderAction"), Command(form, "exitAction"), Command(form, "onlineHelpAction"), Command(form, "sendFeedbackAction"), Command(form, "aboutAction")})
            QVERIFY2(drawsSomething(item->icon()), qPrintable(item->text()));
        for (QToolButton *button : {Part<QToolButton>(form, "addFilesButton"), Part<QToolButton>(form, "addFolderButton"), Part<QToolButton>(form, "feedbackButton"), Part<QToolButton>(form, "aboutButton"), Part<QToolButton>(form, "helpButton")})
            QVERIFY2(drawsSomething(button->icon()), qPrintable(button->text()));
    }

    // Exit closes the window without a question, which ends the application's event loop, so
    // the process ends. Last: the application's loop is over afterwards.
    void exitEndsTheApplication()
    {
        MainWindow form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTimer::singleShot(0, Command(form, "exitAction"), &QAction::trigger);
        QTimer::singleShot(5000, [] { QApplication::exit(99); }); // Exit did nothing
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!form.isVisible());
    }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
