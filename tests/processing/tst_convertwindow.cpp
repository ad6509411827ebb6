// "Convert" in the real main window, with php/php and the stand-in FaceDetector.php beside
// this test's executable.
#include "ImageFixtures.h"

#include "app/AppState.h"
#include "app/TAppForm.h"
#include "platform/Errors.h"
#include "processing/RunPrompts.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

class TestConvertWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QStringList prompts;

    void addEntry(TAppForm &form, const QString &path, const QString &width, const QString &height)
    {
        form.ListView1->addTopLevelItem(new QTreeWidgetItem(QStringList{path, width, height}));
    }

    // The window may choose its own settings folder while it is created; temp.php goes here.
    void useTestSettingsFolder()
    {
        SettingsDir = dir.filePath("settings/");
    }

private slots:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
        qputenv("MIRELON_SERVICE_HOST", "127.0.0.1:9"); // the update check must stay on this machine
        QDir().mkpath(dir.filePath("settings"));
        ReplacedRunPrompts().confirm = [this](const QString &q) {
            prompts << q;
            return 7;
        };
        ReplacedRunPrompts().showError = [this](const QString &text) { prompts << text; };
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
        TAppForm form;
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
        form.Edit1->setText(destination);
        form.ComboBoxAction->setCurrentText(action);
        form.ComboBoxExtension->setCurrentText(format);

        // What the window shows while the run lets events through.
        QStringList shown;
        bool busyWhileRunning = true;
        QTimer watcher;
        watcher.setInterval(0);
        connect(&watcher, &QTimer::timeout, this, [&] {
            const QString status = form.StatusPanelText();
            if (!status.startsWith("Processing") || shown.contains(status))
                return;
            shown << status;
            const QCursor *cursor = QApplication::overrideCursor();
            busyWhileRunning = busyWhileRunning && cursor && cursor->shape() == Qt::BusyCursor;
            if (qEnvironmentVariableIsSet("MIRELON_SCREENSHOT_DIR") && shown.size() == 2)
                form.grab().save(qEnvironmentVariable("MIRELON_SCREENSHOT_DIR") + "/run-during-" + tag + ".png");
        });
        watcher.start();
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        watcher.stop();

        QCOMPARE(shown, (QStringList{"Processing " + images[0] + "...", "Processing " + images[1] + "...",
                                     "Processing " + images[2] + "..."}));
        QVERIFY(busyWhileRunning);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QCOMPARE(form.StatusPanelText(), QString("Completed"));
        QCOMPARE(Entries(destination), files);
        if (tag == "export")
            QCOMPARE(ReadAll(destination + "/output (3).txt"),
                     QByteArray("x: 10, y: 20, width: 30, height: 30\nx: 50, y: 20, width: 30, height: 30\n"));
        if (tag == "save")
            QVERIFY(form.MemoCMD->toPlainText().contains("Face saved: face3.webp"));
        if (qEnvironmentVariableIsSet("MIRELON_SCREENSHOT_DIR"))
            form.grab().save(qEnvironmentVariable("MIRELON_SCREENSHOT_DIR") + "/run-after-" + tag + ".png");
    }

    void veryLargeImageRefused()
    {
        TAppForm form;
        addEntry(form, dir.filePath("large.png"), "1921", "100");
        addEntry(form, dir.filePath("exact.png"), "1920", "1920");
        form.Edit1->setText(dir.filePath("large-out"));
        prompts.clear();
        const QString statusBefore = form.StatusPanelText();
        form.Button1Click();
        QCOMPARE(prompts, QStringList{"1 image is very large!\r\rContinue?"});
        QVERIFY(!QFile::exists(dir.filePath("large-out")));
        QCOMPARE(form.StatusPanelText(), statusBefore);
    }

    void emptyDestination()
    {
        TAppForm form;
        form.Edit1->clear();
        const QString statusBefore = form.StatusPanelText();
        QVERIFY_THROWS_EXCEPTION(MirelonError, form.Button1Click());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QCOMPARE(form.StatusPanelText(), statusBefore);
    }
};

QTEST_MAIN(TestConvertWindow)
#include "tst_convertwindow.moc"
