// The review pane in the real main window, with the real engine and real PHP beside the test:
// what the user keeps, drops and draws is what the run covers.
#include "app/AppState.h"
#include "app/MainWindow.h"
#include "platform/PrivateRunFolder.h"
#include "processing/RunPrompts.h"
#include "review/ReviewPane.h"
#include "tests/support/MainWindowParts.h"
#include "tests/support/Screenshot.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QMap>
#include <QScopeGuard>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString Photo = QStringLiteral(MIRELON_SOURCE_DIR "/tests/review/fixtures/two-faces.jpg");
// The faces the engine finds in it, ordered as the library orders them.
const QSize PhotoSize(360, 480);
const QList<QRect> PhotoFaces = {QRect(132, 196, 84, 110), QRect(151, 72, 67, 90)};

// Mean absolute difference of the two pictures' channels inside `area`.
double MeanDifference(const QImage &a, const QImage &b, const QRect &area)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    int count = 0;
    for (int row = area.top(); row <= area.bottom(); ++row)
        for (int column = area.left(); column <= area.right(); ++column) {
            const QRgb p = x.pixel(column, row), q = y.pixel(column, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
            count += 3;
        }
    return sum / count;
}

ReviewPane *Pane(const QObject &window)
{
    return Part<ReviewPane>(window, "reviewPane");
}

// Where picture pixel `point` of the shown entry lies in the pane (the picture is fitted and
// centred, 4 pixels from the edges at least).
QPoint PanePoint(const ReviewPane &pane, QSize picture, QPointF point)
{
    const QSizeF fitted = QSizeF(picture).scaled(QSizeF(pane.size()) - QSizeF(8, 8), Qt::KeepAspectRatio);
    const double scale = fitted.width() / picture.width();
    return QPointF((pane.width() - fitted.width()) / 2 + point.x() * scale,
                   (pane.height() - fitted.height()) / 2 + point.y() * scale)
        .toPoint();
}

} // namespace

class TestReviewWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString copyPhoto(const QString &name)
    {
        const QString path = dir.filePath(name);
        QFile::remove(path);
        if (!QFile::copy(Photo, path))
            qFatal("cannot copy the photo");
        return path;
    }

    // A shown window listing these files, the first selected and its faces found.
    void show(MainWindow &window, const QStringList &files)
    {
        for (const QString &file : files)
            window.addImage(file);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        ImageList(window)->setCurrentIndex(ImageModel(window).index(0, 0));
        QTRY_VERIFY_WITH_TIMEOUT(ImageModel(window).review(0).searched, 20000);
        QCOMPARE(ImageModel(window).review(0).error, QString());
        QTRY_VERIFY(Pane(window)->pictureShown());
    }

    // Runs the action over the list into `destination` and waits for its end.
    void convert(MainWindow &window, const QString &action, const QString &destination)
    {
        Part<QComboBox>(window, "actionCombo")->setCurrentText(action);
        Part<QComboBox>(window, "formatCombo")->setCurrentText(QStringLiteral("PNG"));
        Part<QLineEdit>(window, "destinationEdit")->setText(destination);
        Part<QPushButton>(window, "convertButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!window.runInProgress(), 60000);
        QCOMPARE(window.statusText(), QStringLiteral("Completed"));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        RunPrompts prompts;
        prompts.confirm = [](const QString &) { return 6; };
        prompts.showError = [](const QString &text) { qFatal("error box: %s", qPrintable(text)); };
        prompts.reportError = [](const QString &text) { qFatal("run error: %s", qPrintable(text)); };
        prompts.showFailures = [](const QString &, const QString &list) { qFatal("failures: %s", qPrintable(list)); };
        ReplacedRunPrompts() = prompts;
    }

    // The boxes the pane shows are the engine's, in the picture's own pixels.
    void searchFindsTheScriptsFaces()
    {
        MainWindow window;
        show(window, {copyPhoto(QStringLiteral("search.jpg"))});
        QCOMPARE(ImageModel(window).review(0).keptBoxes(), PhotoFaces);
        QCOMPARE(EntryText(window, 0, ImageListModel::FacesColumn), QStringLiteral("2"));
        QVERIFY(Pane(window)->accessibleDescription().contains(QStringLiteral("2 faces")));
        QCOMPARE(Pane(window)->accessibleName(), QStringLiteral("Face review"));
    }

    // Dropping one face of the group leaves exactly that face untouched and blurs the other; a
    // box drawn where there is no face is blurred there.
    void blurHonoursTheReview()
    {
        MainWindow window;
        const QString photo = copyPhoto(QStringLiteral("group.jpg"));
        show(window, {photo});
        ReviewPane *pane = Pane(window);
        QTest::mouseClick(pane, Qt::LeftButton, {}, PanePoint(*pane, PhotoSize, QRectF(PhotoFaces[0]).center()));
        QVERIFY2(pane->selectedFace() == 0, qPrintable(QStringLiteral("pane %1 x %2, %3 boxes, point %4,%5").arg(pane->width()).arg(pane->height()).arg(pane->review().boxes.size()).arg(PanePoint(*pane, PhotoSize, QRectF(PhotoFaces[0]).center()).x()).arg(PanePoint(*pane, PhotoSize, QRectF(PhotoFaces[0]).center()).y())));
        QTest::keyClick(pane, Qt::Key_Delete);
        const QRect drawn(10, 100, 90, 80); // patterned wallpaper, no face
        const QPoint from = PanePoint(*pane, PhotoSize, drawn.topLeft());
        const QPoint to = PanePoint(*pane, PhotoSize, drawn.bottomRight());
        QTest::mousePress(pane, Qt::LeftButton, {}, from);
        QMouseEvent move(QEvent::MouseMove, to, pane->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(pane, &move);
        QTest::mouseRelease(pane, Qt::LeftButton, {}, to);
        const FaceReview review = ImageModel(window).review(0);
        QVERIFY(review.reviewed);
        QCOMPARE(review.boxes.size(), 3);
        QVERIFY(review.boxes[0].dropped);
        const QRect drawnBox = review.boxes[2].rect;
        QVERIFY2(qAbs(drawnBox.x() - drawn.x()) <= 3 && qAbs(drawnBox.width() - drawn.width()) <= 4,
                 qPrintable(QStringLiteral("%1 %2 %3 %4").arg(drawnBox.x()).arg(drawnBox.y()).arg(drawnBox.width()).arg(drawnBox.height())));
        Screenshot(window, QStringLiteral("review-dropped-and-drawn"));

        const QString out = dir.filePath(QStringLiteral("blur-out"));
        convert(window, QStringLiteral("Blur Faces in Image"), out);
        const QImage input(photo);
        const QImage output(out + QStringLiteral("/output.png"));
        QCOMPARE(output.size(), input.size());
        // Blur covers a grown box, which may reach the edge of a neighbouring face: the dropped
        // face's middle stays as it was.
        const QRect dropped = PhotoFaces[0];
        const QRect droppedMiddle = dropped.adjusted(dropped.width() / 4, dropped.height() / 4, -dropped.width() / 4, -dropped.height() / 4);
        QVERIFY2(MeanDifference(input, output, droppedMiddle) < 1.0,
                 qPrintable(QStringLiteral("the dropped face was changed: %1").arg(MeanDifference(input, output, droppedMiddle))));
        QVERIFY2(MeanDifference(input, output, PhotoFaces[1]) > 4.0, "the kept face was not blurred");
        QVERIFY2(MeanDifference(input, output, drawnBox) > 2.0, "the drawn box was not blurred");
        // Outside every box the picture is untouched.
        QVERIFY(MeanDifference(input, output, QRect(0, 400, 100, 60)) < 1.0);

        // Export Face Positions writes the kept boxes.
        const QString exported = dir.filePath(QStringLiteral("export-out"));
        convert(window, QStringLiteral("Export Face Positions"), exported);
        QFile text(exported + QStringLiteral("/output.txt"));
        QVERIFY(text.open(QIODevice::ReadOnly));
        const QList<QRect> kept = {drawnBox, PhotoFaces[1]}; // left to right, as the library orders them
        QByteArray expected;
        for (const QRect &box : kept)
            expected += QStringLiteral("x: %1, y: %2, width: %3, height: %4\n")
                            .arg(box.x()).arg(box.y()).arg(box.width()).arg(box.height()).toUtf8();
        QCOMPARE(text.readAll(), expected);
    }

    // The keyboard path: Ctrl+R puts the focus on the pane with the first face selected, Tab and
    // Shift+Tab step through the faces, Delete drops, Insert restores, Page Down shows the next.
    void keyboardPath()
    {
        MainWindow window;
        show(window, {copyPhoto(QStringLiteral("k1.jpg")), copyPhoto(QStringLiteral("k2.jpg"))});
        ReviewPane *pane = Pane(window);
        ImageList(window)->setFocus();
        QTest::keyClick(ImageList(window), Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), pane);
        QCOMPARE(pane->selectedFace(), 0);
        QTest::keyClick(pane, Qt::Key_Tab);
        QCOMPARE(pane->selectedFace(), 1);
        QTest::keyClick(pane, Qt::Key_Tab);
        QCOMPARE(pane->selectedFace(), 0);
        QTest::keyClick(pane, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(pane->selectedFace(), 1);
        QCOMPARE(QApplication::focusWidget(), pane);

        QTest::keyClick(pane, Qt::Key_Delete);
        QVERIFY(ImageModel(window).review(0).boxes[1].dropped);
        QCOMPARE(EntryText(window, 0, ImageListModel::FacesColumn), QStringLiteral("1"));
        QVERIFY(pane->accessibleDescription().contains(QStringLiteral("1 face, 1 dropped")));
        QTest::keyClick(pane, Qt::Key_Insert);
        QVERIFY(!ImageModel(window).review(0).boxes[1].dropped);
        QVERIFY(ImageModel(window).review(0).reviewed); // reviewed, all kept
        QVERIFY(!ImageModel(window).data(ImageModel(window).index(0, ImageListModel::FacesColumn), Qt::DecorationRole)
                     .value<QIcon>()
                     .isNull()); // marked in the list

        QTest::keyClick(pane, Qt::Key_PageDown);
        QCOMPARE(ImageList(window)->currentIndex().row(), 1);
        QCOMPARE(QApplication::focusWidget(), pane);
        QTRY_VERIFY_WITH_TIMEOUT(pane->review().searched, 20000); // searched ahead, or now
        QCOMPARE(pane->review().boxes.size(), 2);
        QTest::keyClick(pane, Qt::Key_PageUp);
        QCOMPARE(ImageList(window)->currentIndex().row(), 0);
        QVERIFY(pane->review().reviewed);
    }

    // Reviews follow their entries when the list is reordered, go with a deleted entry, and a
    // file that changed since its search is searched again.
    void reviewsFollowTheirEntries()
    {
        MainWindow window;
        const QString first = copyPhoto(QStringLiteral("r1.jpg"));
        show(window, {first, copyPhoto(QStringLiteral("r2.jpg")), copyPhoto(QStringLiteral("r3.jpg"))});
        QTest::keyClick(ImageList(window), Qt::Key_R, Qt::ControlModifier);
        QTest::keyClick(Pane(window), Qt::Key_Delete);
        QVERIFY(ImageModel(window).review(0).reviewed);

        Command(window, "moveToBottomAction")->trigger();
        QCOMPARE(ListPaths(window).last(), first);
        QVERIFY(ImageModel(window).review(2).reviewed);
        QVERIFY(!ImageModel(window).review(0).reviewed);
        QCOMPARE(Pane(window)->shownPath(), first);

        Command(window, "deleteSelectedAction")->trigger();
        QCOMPARE(ImageModel(window).count(), 2);
        QVERIFY(Pane(window)->shownPath().isEmpty()); // the deleted entry is not shown any more
        for (int row = 0; row < 2; ++row)
            QVERIFY(!ImageModel(window).review(row).reviewed);

        // The same file added anew has no review; once reviewed and then changed on disk, it is
        // searched again when shown.
        window.addImage(first);
        ImageList(window)->setCurrentIndex(ImageModel(window).index(2, 0));
        QVERIFY(!ImageModel(window).review(2).reviewed);
        QTRY_VERIFY_WITH_TIMEOUT(ImageModel(window).review(2).searched, 20000);
        QTest::keyClick(ImageList(window), Qt::Key_R, Qt::ControlModifier);
        QTest::keyClick(Pane(window), Qt::Key_Delete);
        QVERIFY(ImageModel(window).review(2).reviewed);
        QImage changed(first);
        changed = changed.mirrored(true, false);
        QVERIFY(changed.save(first, "JPG", 95));
        ImageList(window)->setCurrentIndex(ImageModel(window).index(0, 0));
        ImageList(window)->setCurrentIndex(ImageModel(window).index(2, 0));
        QVERIFY(!ImageModel(window).review(2).reviewed);
        QTRY_VERIFY_WITH_TIMEOUT(ImageModel(window).review(2).searched, 20000);
        QCOMPARE(ImageModel(window).review(2).boxes.size(), 2);
        QVERIFY(ImageModel(window).review(2).boxes != ImageModel(window).review(0).boxes); // mirrored
    }

    // Several images at once give the names and bytes of a one-at-a-time run, also around a
    // picture that fails and a reviewed entry.
    void jobsGiveTheSameOutputs_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("format");
        QTest::newRow("blur jpg") << "Blur Faces in Image" << "JPG";
        QTest::newRow("mark png") << "Mark Faces in Image" << "PNG";
        QTest::newRow("export") << "Export Face Positions" << "PNG";
    }
    void jobsGiveTheSameOutputs()
    {
        QFETCH(QString, action);
        QFETCH(QString, format);
        const QString broken = copyPhoto(QStringLiteral("broken.jpg"));
        MainWindow window;
        show(window, {copyPhoto(QStringLiteral("j1.jpg")), broken, copyPhoto(QStringLiteral("j3.jpg")), copyPhoto(QStringLiteral("j4.jpg"))});
        QTest::keyClick(ImageList(window), Qt::Key_R, Qt::ControlModifier);
        QTest::keyClick(Pane(window), Qt::Key_Delete); // j1 reviewed
        QFile damage(broken);
        QVERIFY(damage.open(QIODevice::ReadWrite));
        damage.resize(200); // the header stays, the picture cannot be decoded any more
        damage.close();

        QStringList failures;
        RunPrompts &prompts = ReplacedRunPrompts();
        const RunPrompts kept = prompts;
        prompts.showFailures = [&](const QString &, const QString &list) { failures << list; };
        const auto restore = qScopeGuard([&] { ReplacedRunPrompts() = kept; });

        QMap<QString, QByteArray> outputs[2];
        for (int jobs : {1, 2}) {
            SettingsIni.setValue(QStringLiteral("Settings"), QStringLiteral("Jobs"), QString::number(jobs));
            const QString out = dir.filePath(QStringLiteral("jobs-%1-%2").arg(QTest::currentDataTag()).arg(jobs));
            QVERIFY(QDir().mkpath(out));
            QFile taken(out + QStringLiteral("/output.") + (action.startsWith("Export") ? QStringLiteral("txt") : format.toLower()));
            QVERIFY(taken.open(QIODevice::WriteOnly)); // a name already taken in the destination
            taken.close();
            Part<QComboBox>(window, "actionCombo")->setCurrentText(action);
            Part<QComboBox>(window, "formatCombo")->setCurrentText(format);
            Part<QLineEdit>(window, "destinationEdit")->setText(out);
            Part<QPushButton>(window, "convertButton")->click();
            QTRY_VERIFY_WITH_TIMEOUT(!window.runInProgress(), 60000);
            QCOMPARE(window.statusText(), QStringLiteral("Completed with 1 error"));
            for (const QString &name : QDir(out).entryList(QDir::Files)) {
                QFile file(out + QLatin1Char('/') + name);
                QVERIFY(file.open(QIODevice::ReadOnly));
                outputs[jobs - 1].insert(name, file.readAll());
            }
        }
        SettingsIni.setValue(QStringLiteral("Settings"), QStringLiteral("Jobs"), QString());
        QCOMPARE(failures.size(), 2);
        QCOMPARE(outputs[1].keys(), outputs[0].keys());
        QCOMPARE(outputs[0].size(), 4); // the taken name and three images
        QVERIFY(outputs[1] == outputs[0]);
    }

    // With several jobs and a reviewed entry the run keeps staging and faces files in temporary
    // folders of its own; those a killed window left are removed when the next run starts, a
    // living one's stay, and a finished run leaves none.
    void killedRunsLeaveNothing()
    {
        QTemporaryDir temp;
        const QByteArray oldTemp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(temp.path()));
        const auto restore = qScopeGuard([&] {
            if (oldTemp.isNull())
                qunsetenv("TMPDIR");
            else
                qputenv("TMPDIR", oldTemp);
            SettingsIni.setValue(QStringLiteral("Settings"), QStringLiteral("Jobs"), QString());
        });
        for (const QString &killed : {QStringLiteral("mirelon-run-killed"), QStringLiteral("mirelon-faces-killed")}) {
            QVERIFY(QDir(temp.path()).mkpath(killed + QStringLiteral("/0")));
            QFile owner(temp.filePath(killed + QStringLiteral("/.owner"))); // nobody holds its lock
            QVERIFY(owner.open(QIODevice::WriteOnly));
        }
        const PrivateRunFolder living(temp.path(), QStringLiteral("mirelon-run-"));

        SettingsIni.setValue(QStringLiteral("Settings"), QStringLiteral("Jobs"), QStringLiteral("2"));
        MainWindow window;
        show(window, {copyPhoto(QStringLiteral("k1.jpg")), copyPhoto(QStringLiteral("k2.jpg"))});
        QTest::keyClick(ImageList(window), Qt::Key_R, Qt::ControlModifier);
        QTest::keyClick(Pane(window), Qt::Key_Delete); // reviewed: the run writes a faces file
        convert(window, QStringLiteral("Export Face Positions"), dir.filePath(QStringLiteral("killed-out")));
        QCOMPARE(QDir(temp.path()).entryList({QStringLiteral("mirelon-*")}, QDir::Dirs | QDir::Hidden),
                 QStringList{QFileInfo(living.path()).fileName()});
    }

    // What a person sees: the default size, small, maximised, a long path, a 12-megapixel photo.
    void looks()
    {
        const QString longFolder = dir.filePath(QString(60, QLatin1Char('l')) + QStringLiteral("/") + QString(60, QLatin1Char('p')));
        QVERIFY(QDir().mkpath(longFolder));
        const QString longPath = longFolder + QStringLiteral("/holiday photo with a long name.jpg");
        QVERIFY(QFile::copy(Photo, longPath));
        const QString large = dir.filePath(QStringLiteral("twelve-megapixels.jpg"));
        QVERIFY(QImage(Photo).scaled(4000, 3000, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).save(large, "JPG", 90));

        MainWindow window;
        show(window, {longPath, large});
        if (const QScreen *screen = window.screen(); screen->availableGeometry().width() >= 1100)
            QCOMPARE(window.size(), QSize(1100, 700));
        Screenshot(window, QStringLiteral("window-default-long-path"));

        QElapsedTimer clock;
        clock.start();
        ImageList(window)->setCurrentIndex(ImageModel(window).index(1, 0));
        QTRY_VERIFY_WITH_TIMEOUT(Pane(window)->pictureShown() && Pane(window)->review().searched, 20000);
        qInfo("12-megapixel photo: boxes shown %lld ms after selecting it (searched ahead meanwhile)", clock.elapsed());
        Screenshot(window, QStringLiteral("window-12mp-selected"));

        window.resize(window.minimumSize());
        QTest::qWait(200);
        QVERIFY(window.width() <= 520);
        Screenshot(window, QStringLiteral("window-small"));

        window.showMaximized();
        QTest::qWait(500);
        if (window.width() < window.screen()->availableGeometry().width() - 50) // no window manager to do it
            window.setGeometry(window.screen()->availableGeometry());
        QTest::qWait(200);
        Screenshot(window, QStringLiteral("window-maximised"));
        // Every part grows with the window: the splitter takes what the settings panel leaves.
        QVERIFY(Part<QSplitter>(window, "listAndReviewSplitter")->width() > window.width() - 300);
    }
};

QTEST_MAIN(TestReviewWindow)
#include "tst_reviewwindow.moc"
