// "Convert" in the real main window, with php/php and the stand-in FaceDetector.php beside
// this test's executable.
#include "ImageFixtures.h"

#include "app/AppState.h"
#include "app/FailedImagesBox.h"
#include "app/MainWindow.h"
#include "tests/support/MainWindowParts.h"
#include "platform/Errors.h"
#include "processing/RunPrompts.h"
#include "tests/support/RunningProcesses.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QProcess>
#include <QProgressBar>
#include <QScopeGuard>
#include <QScrollBar>
#include <QToolButton>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>
#include <QTimer>

class TestConvertWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QStringList prompts;
    int answer = 7;
    QStringList failures;
    QStringList reported;

    void addEntry(MainWindow &form, const QString &path, const QString &width, const QString &height)
    {
        ImageModel(form).append(path, QSize(width.toInt(), height.toInt()));
    }

    // The window may choose its own settings folder while it is created; temp.php goes here.
    // One image at a time: these cases follow each image's turn (several at once are checked
    // against this in the review window's test).
    void useTestSettingsFolder()
    {
        SettingsDir = dir.filePath("settings/");
        SettingsIni.setValue("Settings", "Jobs", "1");
    }

    // A shown window with `count` small images (one face each) in folder `name`, marking into
    // `name`/out.
    QStringList prepare(MainWindow &form, const QString &name, int count)
    {
        useTestSettingsFolder();
        QDir().mkpath(dir.filePath(name + "/in"));
        QStringList images;
        for (int i = 0; i < count; ++i) {
            images << dir.filePath(QString("%1/in/%2.png").arg(name).arg(i + 1));
            WriteImageWithFaces(images.last(), PatternImage(60, 40), {{5, 5, 20, 20}});
            addEntry(form, images.last(), "60", "40");
        }
        Part<QLineEdit>(form, "destinationEdit")->setText(dir.filePath(name + "/out"));
        Part<QComboBox>(form, "actionCombo")->setCurrentText("Mark Faces in Image");
        Part<QComboBox>(form, "formatCombo")->setCurrentText("PNG");
        form.show();
        return images;
    }

    // Whether every control that changes the list or the run's settings (Action, Output Format,
    // Destination) is as `enabled` says.
    static bool listEditable(MainWindow &form, bool enabled)
    {
        bool all = form.acceptDrops() == enabled;
        for (const char *name : {"addFilesButton", "addFolderButton", "moveUpButton", "moveToBottomButton", "actionCombo",
                                 "formatCombo", "destinationEdit", "chooseDestinationButton"})
            all = all && Part(form, name)->isEnabled() == enabled;
        for (const char *name : {"clearAction", "addFilesAction", "addFolderAction", "deleteSelectedAction"})
            all = all && Command(form, name)->isEnabled() == enabled;
        return all;
    }

    // Whether a child marked by this sleep time still runs.
    static bool sleeperRuns(const char *seconds)
    {
        return !ProcessesWithCommandLine(SleepCommandLine(seconds)).isEmpty();
    }

private slots:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
        qputenv("MIRELON_SERVICE_HOST", "127.0.0.1:9"); // the update check must stay on this machine
        QDir().mkpath(dir.filePath("settings"));
        ReplacedRunPrompts().confirm = [this](const QString &q) {
            prompts << q;
            return answer;
        };
        ReplacedRunPrompts().showError = [this](const QString &text) { prompts << text; };
        ReplacedRunPrompts().showFailures = [this](const QString &heading, const QString &list) {
            failures << heading << list;
        };
        ReplacedRunPrompts().reportError = [this](const QString &text) { reported << text; };
    }

    void convertThreeImages_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("export") << "Export Face Positions" << "PNG"
                                << QStringList{"output (2).txt", "output (3).txt", "output.txt"};
        QTest::newRow("mark") << "Mark Faces in Image" << "PNG"
                              << QStringList{"output (2).png", "output (3).png", "output.png"};
        QTest::newRow("blur") << "Blur Faces in Image" << "JPG"
                              << QStringList{"output (2).jpg", "output (3).jpg", "output.jpg"};
        QTest::newRow("save") << "Save Faces as Separate Images" << "WEBP"
                              << QStringList{"face1.webp", "face2.webp", "face3.webp"};
    }
    void convertThreeImages()
    {
        QFETCH(QString, action);
        QFETCH(QString, format);
        QFETCH(QStringList, files);
        const QString tag = QTest::currentDataTag();
        QVERIFY(QDir().mkpath(dir.filePath(tag + "/in")));
        MainWindow form;
        useTestSettingsFolder();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QStringList images;
        for (int i = 0; i < 3; ++i) {
            images << dir.filePath(QString("%1/in/photo %2.png").arg(tag).arg(i + 1));
            QList<FaceBox> faces;
            for (int f = 0; f < i; ++f) // 0, 1 and 2 faces
                faces.append({10 + 40 * f, 20, 30, 30});
            QVERIFY(WriteImageWithFaces(images.last(), PatternImage(160, 90), faces));
            addEntry(form, images.last(), "160", "90");
        }
        const QString destination = dir.filePath(tag + "/out/nested");
        Part<QLineEdit>(form, "destinationEdit")->setText(destination);
        Part<QComboBox>(form, "actionCombo")->setCurrentText(action);
        Part<QComboBox>(form, "formatCombo")->setCurrentText(format);

        // What the window shows while the run lets events through.
        QStringList shown;
        bool busyWhileRunning = true;
        QTimer watcher;
        watcher.setInterval(0);
        connect(&watcher, &QTimer::timeout, this, [&] {
            const QString status = form.statusText();
            if (!status.startsWith("Processing") || shown.contains(status))
                return;
            shown << status;
            const QCursor *cursor = QApplication::overrideCursor();
            busyWhileRunning = busyWhileRunning && cursor && cursor->shape() == Qt::BusyCursor;
            if (qEnvironmentVariableIsSet("MIRELON_SCREENSHOT_DIR") && shown.size() == 2)
                form.grab().save(qEnvironmentVariable("MIRELON_SCREENSHOT_DIR") + "/run-during-" + tag + ".png");
        });
        watcher.start();
        QTest::mouseClick(Part<QPushButton>(form, "convertButton"), Qt::LeftButton);
        QTRY_VERIFY(!form.runInProgress());
        watcher.stop();

        QCOMPARE(shown, (QStringList{"Processing " + images[0] + "... (1 of 3)", "Processing " + images[1] + "... (2 of 3)",
                                     "Processing " + images[2] + "... (3 of 3)"}));
        QVERIFY(busyWhileRunning);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QCOMPARE(form.statusText(), QString("Completed"));
        QCOMPARE(Entries(destination), files);
        if (tag == "export")
            QCOMPARE(ReadAll(destination + "/output (3).txt"),
                     QByteArray("x: 10, y: 20, width: 30, height: 30\nx: 50, y: 20, width: 30, height: 30\n"));
        if (tag == "save")
            QVERIFY(form.lastRunOutput().contains("Face saved: face3.webp"));
        if (qEnvironmentVariableIsSet("MIRELON_SCREENSHOT_DIR"))
            form.grab().save(qEnvironmentVariable("MIRELON_SCREENSHOT_DIR") + "/run-after-" + tag + ".png");
    }

    // A broken image in the middle fails alone: the others are written, the end says so and
    // the box names it. The list is locked while the run goes and unlocked after it.
    void brokenImageInTheMiddle()
    {
        MainWindow form;
        const QStringList images = prepare(form, "broken", 3);
        QVERIFY(WriteAll(images[1], "not a picture"));
        failures.clear();
        bool lockedWhileRunning = true;
        bool progressWhileRunning = true;
        QTimer watcher;
        watcher.setInterval(0);
        connect(&watcher, &QTimer::timeout, this, [&] {
            if (!form.runInProgress())
                return;
            lockedWhileRunning = lockedWhileRunning && listEditable(form, false) && Part<QPushButton>(form, "convertButton")->text() == "Stop";
            progressWhileRunning = progressWhileRunning && Part<QProgressBar>(form, "runProgress")->isVisible() && Part<QProgressBar>(form, "runProgress")->maximum() == 3;
            Command(form, "deleteSelectedAction")->trigger(); // the Delete key reaches this; it does nothing now
            form.addDroppedPaths({images[0]});
        });
        watcher.start();
        ImageList(form)->selectAll();
        QTest::mouseClick(Part<QPushButton>(form, "convertButton"), Qt::LeftButton);
        QVERIFY(form.runInProgress());
        QTRY_VERIFY(!form.runInProgress());
        watcher.stop();

        QVERIFY(lockedWhileRunning);
        QVERIFY(progressWhileRunning);
        QVERIFY(listEditable(form, true));
        QCOMPARE(Part<QPushButton>(form, "convertButton")->text(), QString("Convert"));
        QVERIFY(Part<QProgressBar>(form, "runProgress")->isHidden());
        QCOMPARE(ImageModel(form).count(), 3);
        QCOMPARE(form.statusText(), QString("Completed with 1 error"));
        QCOMPARE(Entries(dir.filePath("broken/out")), (QStringList{"output (2).png", "output.png"}));
        QCOMPARE(failures.size(), 2);
        QCOMPARE(failures[0], QString("1 image failed:"));
        QVERIFY2(failures[1].startsWith(images[1] + "\n    Cannot read or decode the image"),
                 qPrintable(failures[1]));
        QVERIFY(!failures[1].contains("Stack trace")); // the first line of the reason only
        QVERIFY(!failures[1].contains("FaceDetector.php")); // no place of ours
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    // Stop (Escape) during a slow image ends it at once, with the process under it; the
    // image's unfinished file goes, the finished one stays, the rest is not started.
    void stopDuringASlowImage()
    {
        MainWindow form;
        const QStringList images = prepare(form, "stop", 3);
        const QString out = dir.filePath("stop/out");
        QVERIFY(WriteAll(images[1] + ".slow", "987.1\n" + (out + "/output (2).png").toUtf8()));
        const int widthBefore = form.width();
        QTest::mouseClick(Part<QPushButton>(form, "convertButton"), Qt::LeftButton);
        QTRY_VERIFY(sleeperRuns("987.1"));
        QVERIFY(QFile::exists(out + "/output (2).png"));
        QCOMPARE(form.width(), widthBefore); // a long status text does not widen the window
        if (qEnvironmentVariableIsSet("MIRELON_SCREENSHOT_DIR"))
            form.grab().save(qEnvironmentVariable("MIRELON_SCREENSHOT_DIR") + "/run-stop-during.png");

        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(&form, Qt::Key_Escape);
        QTRY_VERIFY(!form.runInProgress());
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(QTest::qWaitFor([] { return !sleeperRuns("987.1"); }, 500));
        QCOMPARE(form.statusText(), QString("Stopped: 1 of 3 images done"));
        QCOMPARE(Entries(out), QStringList{"output.png"});
        QVERIFY(listEditable(form, true));
    }

    // An image that takes longer than the limit is ended and counted as failed; the run goes on.
    void timeLimit()
    {
        MainWindow form;
        const QStringList images = prepare(form, "limit", 2);
        SettingsIni.setValue("Settings", "ImageTimeLimit", "1");
        QVERIFY(WriteAll(images[0] + ".slow", "987.2"));
        failures.clear();
        QElapsedTimer clock;
        clock.start();
        Part<QPushButton>(form, "convertButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!form.runInProgress(), 10000);
        SettingsIni.setValue("Settings", "ImageTimeLimit", "");
        QVERIFY(clock.elapsed() < 3000);
        QVERIFY(!sleeperRuns("987.2"));
        QCOMPARE(form.statusText(), QString("Completed with 1 error"));
        QCOMPARE(failures.value(1), images[0] + "\n    Took longer than the time limit of 1 s");
        QCOMPARE(Entries(dir.filePath("limit/out")), QStringList{"output.png"}); // the second image's
    }

    // Closing the window during a run asks; No keeps it running, Yes stops it and closes.
    void closeDuringARun()
    {
        MainWindow form;
        const QStringList images = prepare(form, "close", 2);
        const QString out = dir.filePath("close/out");
        QVERIFY(WriteAll(images[0] + ".slow", "987.3\n" + (out + "/output.png").toUtf8()));
        Part<QPushButton>(form, "convertButton")->click();
        QTRY_VERIFY(sleeperRuns("987.3"));
        prompts.clear();
        answer = 7;
        QVERIFY(!form.close());
        QVERIFY(form.runInProgress());
        QCOMPARE(prompts, QStringList{"Images are being processed.\r\rStop the run?"});
        answer = 6;
        QVERIFY(form.close());
        answer = 7;
        QVERIFY(!form.runInProgress());
        QVERIFY(QTest::qWaitFor([] { return !sleeperRuns("987.3"); }, 500));
        QVERIFY(Entries(out).isEmpty());
    }

    // An error that ends the run early (the script cannot be written) is reported; the window
    // is usable again.
    void errorEndsTheRunEarly()
    {
        MainWindow form;
        prepare(form, "error", 2);
        SettingsDir = dir.filePath("no such folder/");
        reported.clear();
        Part<QPushButton>(form, "convertButton")->click();
        QTRY_VERIFY(!form.runInProgress());
        QCOMPARE(reported.size(), 1);
        QVERIFY2(reported[0].startsWith("Cannot create a private folder in \"" + SettingsDir.chopped(1) + "\""), qPrintable(reported[0]));
        QVERIFY(form.statusText().startsWith("Processing "));
        QVERIFY(listEditable(form, true));
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    // A destination on a full file system: GD reports every byte it cannot write. The window
    // keeps only a bounded part of that output, and no broken or empty file is left under an
    // output name. Needs a small file system of its own, which only root can mount.
    void fullDisk()
    {
        const QString mountPoint = dir.filePath("full");
        QVERIFY(QDir().mkpath(mountPoint));
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", mountPoint}) != 0)
            QSKIP("cannot mount a small file system here (needs root)");
        const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {mountPoint}); });
        QFile filler(mountPoint + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly));
        while (filler.write(QByteArray(4096, 'f')) == 4096 && filler.flush()) {
        }
        filler.close();

        MainWindow form;
        prepare(form, "diskfull", 0);
        for (int i = 0; i < 2; ++i) { // about 10 MB of notices each
            const QString image = dir.filePath(QString("diskfull/in/%1.png").arg(i));
            QVERIFY(WriteImageWithFaces(image, PatternImage(200, 150), {{10, 10, 50, 50}}));
            addEntry(form, image, "200", "150");
        }
        Part<QLineEdit>(form, "destinationEdit")->setText(mountPoint);
        Part<QComboBox>(form, "formatCombo")->setCurrentText("BMP");
        failures.clear();
        // The longest time the window went without handling its events.
        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        QTimer ticker;
        ticker.setInterval(5);
        connect(&ticker, &QTimer::timeout, this, [&] {
            longestGap = qMax(longestGap, sinceTick.restart());
        });
        Part<QPushButton>(form, "convertButton")->click();
        sinceTick.start();
        ticker.start();
        QTRY_VERIFY_WITH_TIMEOUT(!form.runInProgress(), 60000);
        ticker.stop();
        // Well under a second even on a loaded machine; the blocking runner froze for the whole run.
        QVERIFY2(longestGap < 1000, qPrintable(QString::number(longestGap)));
        QCOMPARE(form.statusText(), QString("Completed with 2 errors"));
        QCOMPARE(Entries(mountPoint).join(","), QString("filler"));
        QVERIFY2(failures.value(1).contains("Write of"), qPrintable(failures.value(1)));
        QVERIFY(form.lastRunOutput().size() < 1200 * 1024);
    }

    // A long list of failed images scrolls inside the box.
    void failedImagesBoxScrolls()
    {
        QStringList lines;
        for (int i = 0; i < 200; ++i)
            lines << QString("/photos/%1.jpg\n    PHP Warning: something").arg(i);
        FailedImagesBox box("200 images failed:", lines.join('\n'));
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(box.windowTitle(), QString("ERROR"));
        QVERIFY(box.height() < 600);
        QVERIFY(box.List->verticalScrollBar()->maximum() > 0);
        if (qEnvironmentVariableIsSet("MIRELON_SCREENSHOT_DIR"))
            box.grab().save(qEnvironmentVariable("MIRELON_SCREENSHOT_DIR") + "/failed-images-box.png");
    }

    void veryLargeImageRefused()
    {
        MainWindow form;
        addEntry(form, dir.filePath("large.png"), "1921", "100");
        addEntry(form, dir.filePath("exact.png"), "1920", "1920");
        Part<QLineEdit>(form, "destinationEdit")->setText(dir.filePath("large-out"));
        prompts.clear();
        const QString statusBefore = form.statusText();
        Part<QPushButton>(form, "convertButton")->click();
        QCOMPARE(prompts, QStringList{"1 image is very large!\r\rContinue?"});
        QVERIFY(!QFile::exists(dir.filePath("large-out")));
        QCOMPARE(form.statusText(), statusBefore);
    }

    void emptyDestination()
    {
        MainWindow form;
        Part<QLineEdit>(form, "destinationEdit")->clear();
        const QString statusBefore = form.statusText();
        // The error reaches the application's error box.
        QString shown;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                shown = box->text();
                box->done(0);
            }
        });
        poll.start(10);
        Part<QPushButton>(form, "convertButton")->click();
        QCOMPARE(shown, QStringLiteral("Unable to create directory"));
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QCOMPARE(form.statusText(), statusBefore);
    }
};

QTEST_MAIN(TestConvertWindow)
#include "tst_convertwindow.moc"
