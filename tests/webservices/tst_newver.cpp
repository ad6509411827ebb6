#include "platform/AppIdentity.h"
#include "webservices/NewVersionWindow.h"
#include "webservices/UpdateState.h"

#include <QApplication>
#include <QDesktopServices>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

// The new-version notification over a stand-in main window; opened addresses are captured by
// URL handlers instead of reaching a browser.
class TestNewVer : public QObject {
    Q_OBJECT

    QWidget *mainWindow = nullptr;
    QList<QUrl> opened;

    static QRect expectedPlace()
    {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        return QRect(screen.x() + screen.width() - 320 - 5, screen.y() + 5, 320, 68);
    }

    // A notification that has grown into view.
    NewVersionWindow *shown()
    {
        auto *notification = new NewVersionWindow(mainWindow);
        if (!QTest::qWaitFor([&] { return notification->isVisible() && notification->geometry() == expectedPlace(); }))
            qWarning("the notification did not grow into view");
        return notification;
    }

    QWidget *part(NewVersionWindow *w, const QString &name)
    {
        const QHash<QString, QWidget *> parts{{"NewVer", w},           {"framePanel", w->framePanel}, {"iconImage", w->iconImage},
                                              {"headingLabel", w->headingLabel},   {"textPanel", w->textPanel}, {"downloadLink", w->downloadLink},
                                              {"closePanel", w->closePanel},   {"closeButton", w->closeButton}};
        return parts.value(name);
    }

public slots:
    void open(const QUrl &url) { opened.append(url); }

private slots:
    void cleanupTestCase()
    {
        for (const char *scheme : {"https", "http", "file", "javascript"})
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    }

    void initTestCase()
    {
        AppProductName = QStringLiteral("Mirelon");
        qputenv("MIRELON_SERVICE_HOST", "127.0.0.1:8080");
        for (const char *scheme : {"https", "http", "file", "javascript"})
            QDesktopServices::setUrlHandler(QLatin1String(scheme), this, "open");
    }

    void init()
    {
        CloseCountdown = 11;
        opened.clear();
        UpdateState.Reset();
        UpdateState.LatestVersion = QStringLiteral("1.2");
        mainWindow = new QWidget;
        QPixmap icon(32, 32);
        icon.fill(Qt::darkCyan);
        mainWindow->setWindowIcon(QIcon(icon));
        mainWindow->setGeometry(200, 200, 400, 300);
        mainWindow->show();
        mainWindow->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(mainWindow));
    }

    void cleanup()
    {
        delete mainWindow; // and the notification with it
    }

    void textPlaceAndFocus()
    {
        auto *w = new NewVersionWindow(mainWindow);
        QVERIFY(!w->isVisible()); // shows itself a moment later
        QCOMPARE(w->headingLabel->text(), QStringLiteral("UPDATE AVAILABLE"));
        QCOMPARE(w->downloadLink->text(), QStringLiteral("Click to download Mirelon 1.2"));
        QVERIFY(w->windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(!w->iconImage->pixmap().isNull());
        QTRY_VERIFY(w->isVisible());
        QTRY_COMPARE(w->geometry(), expectedPlace());
        QTRY_COMPARE(QApplication::activeWindow(), mainWindow);
        QVERIFY(w->isVisible());
    }

    void longVersionWraps()
    {
        UpdateState.LatestVersion = QStringLiteral("1.2 (the build with a version text far longer than one line)");
        NewVersionWindow *w = shown();
        QVERIFY(w->downloadLink->wordWrap());
        QVERIFY(w->downloadLink->heightForWidth(w->downloadLink->width()) >= 2 * w->downloadLink->fontMetrics().height());
    }

    void linkColourFollowsTheMouse()
    {
        NewVersionWindow *w = shown();
        QCOMPARE(w->linkHoverTimer->interval(), 100);
        const auto linkColour = [w] { return w->downloadLink->palette().color(QPalette::WindowText); };
        const QColor highlight = QApplication::palette().color(QPalette::Highlight);
        const QColor text = QApplication::palette().color(QPalette::WindowText);
        QVERIFY(highlight != text);
        QCOMPARE(linkColour(), text);
        QCursor::setPos(w->downloadLink->mapToGlobal(w->downloadLink->rect().center()));
        QTRY_COMPARE_WITH_TIMEOUT(linkColour(), highlight, 1000);
        QCursor::setPos(w->iconImage->mapToGlobal(w->iconImage->rect().center()));
        QTRY_COMPARE_WITH_TIMEOUT(linkColour(), text, 1000);
    }

    void dragging_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("moves");
        QTest::newRow("heading, left") << "headingLabel" << Qt::LeftButton << true;
        QTest::newRow("icon, middle") << "iconImage" << Qt::MiddleButton << true;
        QTest::newRow("frame, left") << "framePanel" << Qt::LeftButton << true;
        QTest::newRow("beside the close button") << "closePanel" << Qt::LeftButton << true;
        QTest::newRow("window, left") << "NewVer" << Qt::LeftButton << true;
        QTest::newRow("heading, right") << "headingLabel" << Qt::RightButton << false;
        QTest::newRow("link") << "downloadLink" << Qt::LeftButton << false;
        QTest::newRow("close button") << "closeButton" << Qt::LeftButton << false;
        QTest::newRow("text panel") << "textPanel" << Qt::LeftButton << false;
    }
    void dragging()
    {
        QFETCH(QString, where);
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, moves);
        NewVersionWindow *w = shown();
        QWidget *target = part(w, where);
        QVERIFY(target);
        const QPoint start = w->pos();
        const QPoint at(4, 4);
        QTest::mousePress(target, button, {}, at);
        QTest::mouseMove(target, at + QPoint(30, 20));
        QCOMPARE(w->pos(), moves ? start + QPoint(30, 20) : start);
        QTest::mouseRelease(target, button, {}, at + QPoint(30, 20));
        QVERIFY(!w->Drag->Dragging());
    }

    // Eleven ticks of the one-second countdown close it, wherever it has been dragged.
    void countdownAfterDrag()
    {
        NewVersionWindow *w = shown();
        QVERIFY(w->closeCountdownTimer->isActive());
        QCOMPARE(w->closeCountdownTimer->interval(), 1000);
        w->closeCountdownTimer->stop(); // ticks by hand from here
        QTest::mousePress(w->headingLabel, Qt::LeftButton, {}, QPoint(2, 2));
        QTest::mouseMove(w->headingLabel, QPoint(-98, 52));
        QTest::mouseRelease(w->headingLabel, Qt::LeftButton, {}, QPoint(-98, 52));
        const QRect moved = w->geometry();
        QCOMPARE(moved.topLeft(), expectedPlace().topLeft() + QPoint(-100, 50));

        for (int tick = 1; tick <= 10; ++tick)
            w->countDownToClose();
        QCOMPARE(CloseCountdown, 1);
        QVERIFY(w->isVisible());
        w->countDownToClose();
        QTRY_VERIFY_WITH_TIMEOUT(!w->isVisible(), 1000);
        QCOMPARE(w->geometry().center(), moved.center()); // shrank into its centre where it was dragged
        QVERIFY(!w->closeCountdownTimer->isActive());
    }

    void closeButton()
    {
        NewVersionWindow *w = shown();
        QTest::mouseClick(w->closeButton, Qt::LeftButton);
        QVERIFY(!w->isVisible());
        QCOMPARE(mainWindow->findChild<NewVersionWindow *>(), w); // hidden, not destroyed
        CloseCountdown = 1;
        w->countDownToClose(); // a countdown ending later changes nothing visible
        QTest::qWait(200);
        QVERIFY(!w->isVisible());
        QVERIFY(opened.isEmpty());
    }

    void link_data()
    {
        QTest::addColumn<QString>("downloadUrl");
        QTest::addColumn<QString>("address");
        const QString home = QStringLiteral("https://127.0.0.1:8080/");
        QTest::newRow("no address: home page") << "" << home;
        QTest::newRow("download address") << "https://downloads.example.com/mirelon-1.2.exe"
                                          << "https://downloads.example.com/mirelon-1.2.exe";
        QTest::newRow("plain web address") << "http://downloads.example.com/m.exe" << "http://downloads.example.com/m.exe";
        QTest::newRow("local file: home page") << "file:///usr/bin/xterm" << home;
        QTest::newRow("script: home page") << "javascript:alert(1)" << home;
        QTest::newRow("bare path: home page") << "/usr/bin/xterm" << home;
    }
    void link()
    {
        QFETCH(QString, downloadUrl);
        QFETCH(QString, address);
        NewVersionWindow *w = shown();
        UpdateState.DownloadUrl = downloadUrl; // read at the click
        QTest::mouseClick(w->downloadLink, Qt::RightButton);
        QVERIFY(opened.isEmpty());
        QTest::mouseClick(w->downloadLink, Qt::LeftButton);
        QCOMPARE(opened, QList<QUrl>{QUrl(address)});
        QVERIFY(!w->isVisible());
    }
};

QTEST_MAIN(TestNewVer)
#include "tst_newver.moc"
