// A video in the real main window, with mirelon-video, the engine and PHP beside the test as
// beside the application: the list shows its frame size, the status bar counts its frames, Stop
// leaves nothing in the destination, and the review pane says what a video gets instead of a
// picture search.
#include "app/AppState.h"
#include "app/MainWindow.h"
#include "processing/RunPrompts.h"
#include "review/ReviewPane.h"
#include "tests/support/MainWindowParts.h"
#include "tests/support/Screenshot.h"
#include "tests/video/VideoClips.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace videoclips;

namespace {
const QString Photo = QStringLiteral(MIRELON_SOURCE_DIR "/tests/review/fixtures/two-faces.jpg");
} // namespace

class TestVideoWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString clip; // 2 s, 256 x 192, 50 frames

    void show(MainWindow &window, const QStringList &files)
    {
        for (const QString &file : files)
            window.addImage(file);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }

    // Starts the action over the list into `destination`; every status text the run shows is
    // added to `statuses` while `watcher` runs (the window is photographed at the first frame).
    void start(MainWindow &window, const QString &action, const QString &destination, QStringList &statuses, QTimer &watcher)
    {
        Part<QComboBox>(window, "actionCombo")->setCurrentText(action);
        Part<QComboBox>(window, "formatCombo")->setCurrentText(QStringLiteral("PNG")); // pictures only
        Part<QLineEdit>(window, "destinationEdit")->setText(destination);
        watcher.setInterval(0);
        connect(&watcher, &QTimer::timeout, this, [&window, &statuses, action] {
            if (!statuses.isEmpty() && statuses.last() == window.statusText())
                return;
            statuses << window.statusText();
            if (statuses.filter(QStringLiteral(" frame ")).size() == 1 && statuses.last().contains(QStringLiteral(" frame ")))
                Screenshot(window, QStringLiteral("video-running-") + action.section(QLatin1Char(' '), 0, 0).toLower());
        });
        watcher.start();
        Part<QPushButton>(window, "convertButton")->click();
        QVERIFY(window.runInProgress());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        SettingsIni.setValue(QStringLiteral("Settings"), QStringLiteral("Jobs"), QString());
        RunPrompts prompts;
        prompts.confirm = [](const QString &) { return 6; }; // Yes: create the destination
        prompts.showError = [](const QString &text) { qFatal("error box: %s", qPrintable(text)); };
        prompts.reportError = [](const QString &text) { qFatal("run error: %s", qPrintable(text)); };
        prompts.showFailures = [](const QString &, const QString &list) { qFatal("failures: %s", qPrintable(list)); };
        ReplacedRunPrompts() = prompts;
        clip = dir.filePath(QStringLiteral("clip.mp4"));
        QVERIFY(MakePanningClip(clip, 2, {"-c:v", "libx264", "-c:a", "aac"}));
    }

    // Blur: the list shows the frame size, the status bar counts the frames, and the output
    // keeps every frame.
    void blurVideoAmongPictures()
    {
        MainWindow window;
        const QString photo = dir.filePath(QStringLiteral("photo.jpg"));
        QVERIFY(QFile::copy(Photo, photo));
        show(window, {photo, clip});
        QCOMPARE(EntryText(window, 1, ImageListModel::WidthColumn), QStringLiteral("256"));
        QCOMPARE(EntryText(window, 1, ImageListModel::HeightColumn), QStringLiteral("192"));

        const QString destination = dir.filePath(QStringLiteral("blurred"));
        QStringList statuses;
        QTimer watcher;
        start(window, QStringLiteral("Blur Faces in Image"), destination, statuses, watcher);
        QTRY_VERIFY_WITH_TIMEOUT(!window.runInProgress(), 300000);
        watcher.stop();

        static const QRegularExpression frames(QStringLiteral("^Processing %1\\.\\.\\. frame (\\d+) of 50$")
                                                   .arg(QRegularExpression::escape(clip)));
        const QStringList counted = statuses.filter(frames);
        QVERIFY2(!counted.isEmpty(), qPrintable(statuses.join(QLatin1Char('\n'))));
        QCOMPARE(counted.last(), QStringLiteral("Processing %1... frame 50 of 50").arg(clip));
        QCOMPARE(window.statusText(), QStringLiteral("Completed"));
        QCOMPARE(FolderEntries(destination), (QStringList{QStringLiteral("output.mp4"), QStringLiteral("output.png")}));
        QCOMPARE(FrameTimes(destination + QStringLiteral("/output.mp4")), FrameTimes(clip));
    }

    // Stop mid-video: neither the passing file nor the reserved final name stays.
    void stopMidVideoLeavesNothing()
    {
        const QString longClip = dir.filePath(QStringLiteral("long.mkv"));
        QVERIFY(MakePanningClip(longClip, 30, {"-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac"}));
        MainWindow window;
        show(window, {longClip});
        const QString destination = dir.filePath(QStringLiteral("stopped"));
        QStringList statuses;
        QTimer watcher;
        start(window, QStringLiteral("Mark Faces in Image"), destination, statuses, watcher);
        // Under way: the reserved final name and the passing name are in the destination.
        QTRY_VERIFY_WITH_TIMEOUT(window.statusText().contains(QStringLiteral(" frame ")) && FolderEntries(destination).size() == 2, 60000);
        Part<QPushButton>(window, "convertButton")->click(); // "Stop"
        QTRY_VERIFY_WITH_TIMEOUT(!window.runInProgress(), 10000);
        watcher.stop();
        QCOMPARE(FolderEntries(destination), QStringList());
        QVERIFY2(window.statusText().startsWith(QStringLiteral("Stopped")), qPrintable(window.statusText()));
    }

    // A video selected for review is not searched as a picture: no error, no broken picture,
    // a short note instead; the picture after it is searched ahead as usual.
    void reviewPaneWithVideo()
    {
        MainWindow window;
        show(window, {clip, Photo});
        ImageList(window)->setCurrentIndex(ImageModel(window).index(0, 0));
        auto *pane = Part<ReviewPane>(window, "reviewPane");
        QTRY_VERIFY_WITH_TIMEOUT(ImageModel(window).review(1).searched, 20000); // queued after the shown entry
        QCOMPARE(ImageModel(window).review(0).searched, false);
        QCOMPARE(ImageModel(window).review(0).error, QString());
        QVERIFY(pane->videoShown() && !pane->pictureShown());
        QCOMPARE(pane->accessibleDescription(), QStringLiteral("clip.mp4: ") + VideoReviewNote);
        QCOMPARE(EntryText(window, 0, ImageListModel::FacesColumn), QString());
        Screenshot(window, QStringLiteral("video-review"));

        // Review Faces on the video does nothing it cannot; the next entry shows its picture.
        Command(window, "reviewFacesAction")->trigger();
        QTest::keyClick(pane, Qt::Key_Delete);
        QCOMPARE(ImageModel(window).review(0).reviewed, false);
        QTest::keyClick(pane, Qt::Key_PageDown);
        QTRY_VERIFY(pane->pictureShown() && !pane->videoShown());
    }
};

QTEST_MAIN(TestVideoWindow)
#include "tst_videowindow.moc"
