#include "platform/AppIdentity.h"
#include "infowindows/AboutBox.h"
#include "infowindows/AboutPopupMenu.h"

#include <QAction>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <deque>
#include <tuple>

namespace {
// A random source that hands out prepared values (each taken modulo the asked range).
RandomBelow Scripted(std::deque<int> *values)
{
    return [values](int n) {
        if (values->empty())
            return 0;
        const int v = values->front();
        values->pop_front();
        return v % n;
    };
}

struct RecordingSurface : RainSurface {
    QList<QRect> erased;
    QList<std::tuple<QPoint, QChar, QColor>> drawn;
    void FillBlack(const QRect &cell) override { erased.append(cell); }
    void DrawChar(const QPoint &topLeft, QChar character, const QColor &colour) override
    {
        drawn.append({topLeft, character, colour});
    }
};

void sendMouse(QWidget *target, QEvent::Type type, QPoint screenPos, Qt::MouseButton button)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(5, 5), QPointF(screenPos), type == QEvent::MouseMove ? Qt::NoButton : button,
                      held, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}
} // namespace

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        AppProductName = QStringLiteral("Mirelon");
        AppVersion = QStringLiteral("1.1");
        qputenv("MIRELON_SERVICE_HOST", "127.0.0.1:9");
    }

    void rainGrid_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("drops");
        QTest::newRow("window size") << 446 << 374 << 55 << 31 << 110;
        QTest::newRow("remainders dropped") << 455 << 395 << 56 << 32 << 112;
        QTest::newRow("narrower than a cell") << 7 << 374 << 0 << 31 << 0;
        QTest::newRow("lower than a cell") << 80 << 11 << 10 << 0 << 20;
        QTest::newRow("exactly 5000 drops") << 8 * 2500 << 120 << 2500 << 10 << 5000;
        QTest::newRow("wide window stops at 5000") << 8 * 2600 << 120 << 2600 << 10 << 5000;
    }
    void rainGrid()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, columns);
        QFETCH(int, rows);
        QFETCH(int, drops);
        MatrixRain rain(SeededRandom(42));
        rain.ResetMatrix(width, height);
        QCOMPARE(rain.matrixWidth, columns);
        QCOMPARE(rain.matrixHeight, rows);
        QCOMPARE(rain.Drops.size(), drops);
        for (int n = 0; n < rain.Drops.size(); ++n) {
            const TMatrixDrop &drop = rain.Drops.at(n);
            QCOMPARE(drop.Column, n % columns); // every column twice, the second matrixWidth places later
            QVERIFY(drop.Row >= 0 && drop.Row <= qMax(0, rows - 1));
            QVERIFY(drop.Speed >= 1 && drop.Speed <= 3);
            QVERIFY(drop.Brightness >= 0 && drop.Brightness <= 99);
        }
    }

    void rainColours_data()
    {
        QTest::addColumn<int>("brightness");
        QTest::addColumn<QColor>("head");
        QTest::addColumn<QColor>("trail");
        QTest::newRow("brightest") << 99 << QColor(148, 252, 98) << QColor(49, 84, 32);
        QTest::newRow("half") << 50 << QColor(74, 127, 49) << QColor(24, 42, 16);
        QTest::newRow("zero is black on black") << 0 << QColor(0, 0, 0) << QColor(0, 0, 0);
    }
    void rainColours()
    {
        QFETCH(int, brightness);
        QFETCH(QColor, head);
        QFETCH(QColor, trail);
        QCOMPARE(HeadColour(brightness), head);
        QCOMPARE(TrailColour(brightness), trail);
    }

    // One drop, driven by prepared random values, through moving, waiting and restarting.
    void dropSteps()
    {
        std::deque<int> values;
        MatrixRain rain(Scripted(&values));
        rain.matrixWidth = 4;
        rain.matrixHeight = 10;
        rain.Drops = {TMatrixDrop{3, 10, 2, 99}};
        RecordingSurface surface;

        // Tick 0: 0 mod 2 == 0, the drop draws "o" and moves to row 11.
        values = {1};
        rain.StepMatrix(surface);
        QCOMPARE(rain.Drops[0].Row, 11);
        QCOMPARE(surface.erased, QList<QRect>{QRect(24, (10 - 40 + 3 * 11) * 12, 8, 12)}); // -30 wraps to 3
        QCOMPARE(surface.drawn.size(), 2);
        QCOMPARE(surface.drawn[0], std::make_tuple(QPoint(24, 9 * 12), QChar('o'), QColor(49, 84, 32)));
        QCOMPARE(surface.drawn[1], std::make_tuple(QPoint(24, 10 * 12), QChar('o'), QColor(148, 252, 98)));

        // Tick 1: the drop of speed 2 draws in place.
        values = {2};
        rain.StepMatrix(surface);
        QCOMPARE(rain.Drops[0].Row, 11);
        QCOMPARE(std::get<1>(surface.drawn.last()), QChar('r'));

        // Tick 2: past row matrixHeight + 1, it restarts at row 0 with new speed and brightness.
        values = {0, 2, 7};
        rain.StepMatrix(surface);
        QCOMPARE(rain.Drops[0].Column, 3);
        QCOMPARE(rain.Drops[0].Row, 0);
        QCOMPARE(rain.Drops[0].Speed, 3);
        QCOMPARE(rain.Drops[0].Brightness, 7);
        QCOMPARE(rain.MatrixTick, 3);

        // At row 0 only the head is drawn, no trail above it.
        surface.drawn.clear();
        values = {0};
        rain.StepMatrix(surface);
        QCOMPARE(surface.drawn.size(), 1);
        QCOMPARE(std::get<0>(surface.drawn[0]), QPoint(24, 0));
    }

    // The same seed gives the same rain; the rain stays in its grid and its alphabet.
    void seededRain()
    {
        MatrixRain first(SeededRandom(1234));
        MatrixRain second(SeededRandom(1234));
        first.ResetMatrix(446, 374);
        second.ResetMatrix(446, 374);
        RecordingSurface a, b;
        for (int tick = 0; tick < 200; ++tick) {
            first.StepMatrix(a);
            second.StepMatrix(b);
        }
        QCOMPARE(a.drawn, b.drawn);
        for (const auto &[topLeft, character, colour] : a.drawn) {
            QVERIFY(QStringLiteral("kor").contains(character));
            QVERIFY(topLeft.y() >= 0 && topLeft.y() <= (first.matrixHeight + 1) * 12);
        }
        for (const TMatrixDrop &drop : first.Drops)
            QVERIFY(drop.Row >= 0 && drop.Row <= first.matrixHeight + 1);
    }

    void windowRuns()
    {
        AboutBox box(nullptr, SeededRandom(5));
        QCOMPARE(box.windowTitle(), QStringLiteral("About Mirelon"));
        QCOMPARE(box.nameAndVersionLabel->text(), QStringLiteral("Mirelon 1.1"));
        QCOMPARE(box.okButton->text(), QStringLiteral("OK"));
        QCOMPARE(box.infoButton->text(), QStringLiteral("Info"));
        QCOMPARE(box.websiteLabel->toolTip(), QStringLiteral("https://127.0.0.1:9"));
        QCOMPARE(box.size(), QSize(446, 374));
        QVERIFY(box.hiddenPanel->isHidden());
        QCOMPARE(box.hiddenPanel->pos(), QPoint(61, 77));
        QStringList captions;
        for (const QAction *item : box.infoMenu->actions())
            captions << item->text();
        QCOMPARE(captions, (QStringList{"Acknowledgements...", "How to uninstall...", "License..."}));

        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(box.focusWidget(), box.okButton);
        QCOMPARE(box.Rain.Drops.size(), 2 * (box.bitmapWidth / 8));
        QTRY_VERIFY(box.Rain.MatrixTick >= 3);
        QCOMPARE(box.rainTimer->interval(), 50);
        const QImage canvas = box.outCanvas();
        bool lit = false;
        for (int y = 0; y < canvas.height() && !lit; ++y)
            for (int x = 0; x < canvas.width() && !lit; ++x)
                lit = canvas.pixelColor(x, y) != Qt::black;
        QVERIFY(lit);

        QTest::keyClick(box.okButton, Qt::Key_Escape);
        QVERIFY(!box.isVisible());
    }

    void links_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("address");
        QTest::newRow("acknowledgements") << 0 << "https://127.0.0.1:9/blog/credits-and-acknowledgements/";
        QTest::newRow("uninstall, plain http") << 1 << "http://127.0.0.1:9/blog/how-to-uninstall-korvane-software/";
        QTest::newRow("site link") << -1 << "https://127.0.0.1:9";
    }
    void links()
    {
        QFETCH(int, item);
        QFETCH(QString, address);
        AboutBox box;
        QList<QUrl> opened;
        box.OpenAddress = [&](const QUrl &url) { opened << url; };
        if (item < 0)
            box.websiteLabel->linkActivated(box.websiteLabel->toolTip());
        else
            box.infoMenu->actions().at(item)->trigger();
        QCOMPARE(opened, QList<QUrl>{QUrl(address)});
    }

    void license_data()
    {
        QTest::addColumn<QString>("present"); // "file", "folder" or ""
        QTest::newRow("beside the executable") << "file";
        QTest::newRow("absent") << "";
        QTest::newRow("a folder of that name") << "folder";
    }
    void license()
    {
        QFETCH(QString, present);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("license.txt"));
        if (present == QLatin1String("file")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else if (present == QLatin1String("folder")) {
            QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("license.txt")));
        }
        AboutBox box;
        box.LicenseFolder = folder.path();
        QList<QUrl> opened;
        QStringList messages;
        box.OpenAddress = [&](const QUrl &url) { opened << url; };
        box.ShowMessage = [&](QMessageBox::Icon icon, const QString &title, const QString &text) {
            QCOMPARE(icon, QMessageBox::Critical);
            messages << title + QLatin1Char('|') + text;
        };
        box.licenseAction->trigger();
        if (present == QLatin1String("file")) {
            QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(path)});
            QVERIFY(messages.isEmpty());
        } else {
            QVERIFY(opened.isEmpty());
            QCOMPARE(messages, QStringList{QStringLiteral("License|File not found!")});
        }
    }

    void licenseShipsBesideExecutable()
    {
        QFile license(QStringLiteral(MIRELON_BINARY_DIR "/license.txt"));
        QVERIFY(license.open(QIODevice::ReadOnly));
        QVERIFY(license.readAll().contains("Mirelon"));
    }

    void eggStates()
    {
        AboutBox box;
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(box.Egg.State(), EggState::Covered);

        QTest::mouseDClick(box.appIconImage, Qt::LeftButton);
        QCOMPARE(box.Egg.State(), EggState::Sliding);
        QVERIFY(box.hiddenPanel->isVisible());
        QVERIFY(box.slideTimer->isActive());
        QTRY_VERIFY(box.centralPanel->x() > 48);

        // While sliding, double clicks on the icon or the picture change nothing.
        const int interval = box.slideTimer->interval();
        box.appIconDoubleClicked();
        QTest::mouseDClick(box.hiddenImage, Qt::LeftButton);
        QCOMPARE(box.Egg.State(), EggState::Sliding);
        QVERIFY(box.hiddenPanel->isVisible());
        QCOMPARE(box.slideTimer->interval(), interval);

        QTRY_COMPARE(box.Egg.State(), EggState::Uncovered);
        QVERIFY(!box.slideTimer->isActive());
        QVERIFY(box.centralPanel->x() > box.width());
        QCOMPARE(box.centralPanel->y(), 42);

        QTest::mouseDClick(box.hiddenImage, Qt::LeftButton);
        QCOMPARE(box.Egg.State(), EggState::Covered);
        QVERIFY(box.hiddenPanel->isHidden());
        QCOMPARE(box.centralPanel->pos(), QPoint(48, 42));
    }

    void eggInterval_data()
    {
        QTest::addColumn<double>("systemDpi");
        QTest::addColumn<double>("windowDpi");
        QTest::addColumn<int>("interval");
        QTest::newRow("same density") << 96.0 << 96.0 << 5;
        QTest::newRow("denser window, rounded down") << 96.0 << 144.0 << 3;
        QTest::newRow("coarser window, rounded half up") << 144.0 << 96.0 << 8;
        QTest::newRow("never below 1 ms") << 96.0 << 9600.0 << 1;
    }
    void eggInterval()
    {
        QFETCH(double, systemDpi);
        QFETCH(double, windowDpi);
        QFETCH(int, interval);
        QCOMPARE(EggTimerInterval(systemDpi, windowDpi), interval);
    }

    void dragging()
    {
        AboutBox box;
        box.move(100, 100);
        const QPoint start = box.pos();

        // Left button on the panel: the window follows the mouse.
        sendMouse(box.centralPanel, QEvent::MouseButtonPress, QPoint(500, 500), Qt::LeftButton);
        sendMouse(box.logoImage, QEvent::MouseMove, QPoint(520, 515), Qt::LeftButton);
        sendMouse(box.centralPanel, QEvent::MouseMove, QPoint(530, 505), Qt::LeftButton);
        QCOMPARE(box.pos(), start + QPoint(30, 5));
        sendMouse(box.centralPanel, QEvent::MouseButtonRelease, QPoint(530, 505), Qt::LeftButton);
        sendMouse(box.centralPanel, QEvent::MouseMove, QPoint(600, 600), Qt::NoButton);
        QCOMPARE(box.pos(), start + QPoint(30, 5));

        // The right button starts nothing.
        sendMouse(&box, QEvent::MouseButtonPress, QPoint(10, 10), Qt::RightButton);
        sendMouse(&box, QEvent::MouseMove, QPoint(50, 50), Qt::RightButton);
        QCOMPARE(box.pos(), start + QPoint(30, 5));

        // A middle-button drag ends on the release of any button.
        sendMouse(box.nameAndVersionLabel, QEvent::MouseButtonPress, QPoint(10, 10), Qt::MiddleButton);
        sendMouse(box.nameAndVersionLabel, QEvent::MouseMove, QPoint(12, 10), Qt::MiddleButton);
        QCOMPARE(box.pos(), start + QPoint(32, 5));
        sendMouse(box.nameAndVersionLabel, QEvent::MouseButtonRelease, QPoint(12, 10), Qt::RightButton);
        QVERIFY(!box.Drag->Dragging());
    }

    void popupRule_data()
    {
        QTest::addColumn<quint32>("closedAt");
        QTest::addColumn<quint32>("clickAt");
        QTest::addColumn<bool>("sameButton");
        QTest::addColumn<bool>("onlyCloses");
        QTest::newRow("99 ms later") << 1000u << 1099u << true << true;
        QTest::newRow("100 ms later") << 1000u << 1100u << true << false;
        QTest::newRow("another button") << 1000u << 1010u << false << false;
        QTest::newRow("tick counter wrapped") << 0xFFFFFFF0u << 0x00000020u << true << true;
    }
    void popupRule()
    {
        QFETCH(quint32, closedAt);
        QFETCH(quint32, clickAt);
        QFETCH(bool, sameButton);
        QFETCH(bool, onlyCloses);
        QPushButton button, other;
        QMenu menu;
        PopupMemory memory;
        QVERIFY(!memory.ClickOnlyClosed(&button, &menu, clickAt)); // nothing remembered at start
        memory.Remember(&button, &menu, closedAt);
        QCOMPARE(memory.ClickOnlyClosed(sameButton ? &button : &other, &menu, clickAt), onlyCloses);
        if (onlyCloses) // forgotten: the next click opens the menu again
            QVERIFY(!memory.ClickOnlyClosed(&button, &menu, clickAt));
    }

    // "Info" opens the menu under the button; a click right after it closed only closed it.
    void infoMenu()
    {
        AboutBox box;
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        int shown = 0;
        QPoint shownAt;
        connect(box.infoMenu, &QMenu::aboutToShow, &box, [&] {
            ++shown;
            QTimer::singleShot(0, box.infoMenu, [&] {
                shownAt = box.infoMenu->pos();
                box.infoMenu->close();
            });
        });
        box.infoButton->click();
        QCOMPARE(shown, 1);
        QCOMPARE(shownAt, box.infoButton->mapToGlobal(QPoint(0, box.infoButton->height())));
        box.infoButton->click();
        QCOMPARE(shown, 1);
        box.infoButton->click();
        QCOMPARE(shown, 2);
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
