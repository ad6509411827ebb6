// Window titles as the window manager gets them: the toolkit must not add anything to the
// captions of the main window, the message boxes and the dialogs. Runs on a real X server.
#include "app/MessageDlgWithCaptions.h"
#include "app/MirelonApplication.h"
#include "app/MainWindow.h"
#include "tests/support/MainWindowParts.h"
#include "imagelist/AddErrorBox.h"
#include "imagelist/FileDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <functional>
#include <memory>

namespace {
xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, uint16_t(strlen(name)), name);
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The _NET_WM_NAME property of the widget's X window: the title the window manager shows.
QString xWindowTitle(QWidget *window)
{
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return QStringLiteral("<not on X>");
    xcb_connection_t *connection = x11->connection();
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(connection, 0, xcb_window_t(window->winId()), atom(connection, "_NET_WM_NAME"),
                         atom(connection, "UTF8_STRING"), 0, 1024);
    const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(connection, cookie, nullptr), &std::free);
    if (!reply)
        return QStringLiteral("<no title>");
    return QString::fromUtf8(static_cast<const char *>(xcb_get_property_value(reply.get())),
                             xcb_get_property_value_length(reply.get()));
}

// Runs `open`, which shows a modal window, and returns that window's X title; the window is
// closed once the title is read.
QString modalTitle(const std::function<void()> &open)
{
    QString title = QStringLiteral("<no modal window>");
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        poll.stop();
        title = xWindowTitle(modal);
        modal->close();
    });
    poll.start(20);
    open();
    return title;
}
} // namespace

class TestWindowTitles : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("Needs an X server (CTest runs this under Xvfb)");
        MirelonApplication::SetUpIdentity();
    }

    void mainWindow()
    {
        MainWindow form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(xWindowTitle(&form), QStringLiteral("KORVANE - Mirelon"));
    }

    void boxesAndDialogs_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("title");
        QTest::newRow("error box") << 0 << "ERROR";
        QTest::newRow("confirmation") << 1 << "Confirmation";
        QTest::newRow("unhandled error") << 2 << "Mirelon";
        QTest::newRow("add folder") << 3 << "Select folder:";
        QTest::newRow("about") << 4 << "About Mirelon";
        QTest::newRow("feedback") << 5 << "Mirelon feedback";
    }
    void boxesAndDialogs()
    {
        QFETCH(int, which);
        QFETCH(QString, title);
        const std::function<void()> open[] = {
            [] { ShowErrorBox(nullptr, QStringLiteral("/x.png\r\rbroken")); },
            [] { ConfirmYesNo(QStringLiteral("Continue?"), nullptr); },
            [] { MirelonApplication::ShowUnhandledError(QStringLiteral("Something failed")); },
            [] {
                const std::unique_ptr<QFileDialog> dialog(NewAddFolderDialog(nullptr, QString()));
                dialog->exec();
            },
            [] {
                MainWindow form;
                Part<QToolButton>(form, "aboutButton")->click();
            },
            [] {
                MainWindow form;
                Part<QToolButton>(form, "feedbackButton")->click();
            },
        };
        QCOMPARE(modalTitle(open[which]), title);
    }
};

QTEST_MAIN(TestWindowTitles)
#include "tst_windowtitles.moc"
