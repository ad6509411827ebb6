// Runs of each action end to end: real scripts, the real PHP interpreter with GD, real files.
#include "ImageFixtures.h"

#include "platform/Errors.h"
#include "processing/ActionRun.h"
#include "scripts/FaceCoverRule.h"
#include "processing/PhpRuntime.h"
#include "tests/support/WindowRun.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <algorithm>
#include <QTemporaryDir>
#include <QTest>

namespace {
// One run of an action over a list, recording what it shows.
struct Run {
    QString phpDir = BuildPhpDir();
    QString settingsDir;
    QString format = QStringLiteral("PNG");
    QStringList entries;
    QString destination;
    QStringList started;
    QString output; // the last image's

    BatchSummary operator()(Action action)
    {
        ActionRunValues values{phpDir, FixtureLibrary(), settingsDir, format};
        WindowRunCalls calls;
        calls.imageStarted = [this](const QString &path) { started << path; };
        calls.imageOutput = [this](const QString &text) { output = text; };
        return RunAsWindow(action, values, entries, [this] { return destination; }, calls);
    }
};

// A php folder whose interpreter has no imagefilter, so the mosaic shows unblurred.
QString phpDirWithoutImageFilter(const QTemporaryDir &dir)
{
    QDir(dir.path()).mkpath("nofilter");
    const QString launcher = dir.filePath("nofilter/php");
    WriteAll(launcher, "#!/bin/sh\nexec /usr/bin/php -d disable_functions=imagefilter \"$@\"\n");
    QFile::setPermissions(launcher, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return dir.filePath("nofilter");
}

QRgb rgbAt(const QImage &image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFF;
}
} // namespace

class TestActionRun : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    Run newRun(const QString &name)
    {
        QDir(dir.path()).mkpath(name + "/in");
        QDir(dir.path()).mkpath(name + "/out");
        QDir(dir.path()).mkpath(name + "/settings");
        Run run;
        run.settingsDir = dir.filePath(name + "/settings/");
        run.destination = dir.filePath(name + "/out");
        return run;
    }
    QString inPath(const QString &name, const QString &file) { return dir.filePath(name + "/in/" + file); }

private slots:
    void markRectangleExactPixels()
    {
        Run run = newRun("mark");
        const QString image = inPath("mark", "white.png");
        QVERIFY(WriteImageWithFaces(image, PlainImage(100, 100), {{10, 20, 30, 40}}));
        run.entries = {image};
        run(Action::MarkFacesInImage);

        const QImage out(run.destination + "/output.png");
        QCOMPARE(out.size(), QSize(100, 100));
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x) {
                const bool outline = ((x == 10 || x == 40) && y >= 20 && y <= 60)
                                     || ((y == 20 || y == 60) && x >= 10 && x <= 40);
                QCOMPARE(rgbAt(out, x, y), outline ? 0xFF0000u : 0xFFFFFFu);
            }
    }

    // Block colours of the mosaic over the grown box cut at the image's edges, block sizes by the
    // face (here without the Gaussian passes, so every block is one colour).
    void blurMosaicAndClamping_data()
    {
        QTest::addColumn<FaceBox>("box");
        QTest::addColumn<QRect>("area");
        QTest::addColumn<int>("block");
        QTest::newRow("20 x 12 inside") << FaceBox{5, 4, 20, 12} << QRect(0, 0, 35, 22) << 8;
        QTest::newRow("starts left of and above") << FaceBox{-10, -5, 30, 20} << QRect(0, 0, 35, 25) << 10;
        QTest::newRow("past right and bottom") << FaceBox{30, 25, 40, 40} << QRect(10, 5, 30, 25) << 14;
    }
    void blurMosaicAndClamping()
    {
        QFETCH(FaceBox, box);
        QFETCH(QRect, area);
        QFETCH(int, block);
        // The script follows the one rule that every cover shares.
        const facecover::Box rule = facecover::CoverArea({box.x, box.y, box.width, box.height}, 40, 30);
        QCOMPARE(QRect(rule.x, rule.y, rule.width, rule.height), area);
        QCOMPARE(facecover::CoverBlockSize({box.x, box.y, box.width, box.height}), block);

        Run run = newRun(QTest::currentDataTag());
        run.phpDir = phpDirWithoutImageFilter(dir);
        const QImage source = PatternImage(40, 30);
        const QString image = inPath(QTest::currentDataTag(), "pattern.png");
        QVERIFY(WriteImageWithFaces(image, source, {box}));
        run.entries = {image};
        run(Action::BlurFacesInImage);

        const QImage out(run.destination + "/output.png");
        QCOMPARE(out.size(), source.size());
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                QPoint from(x, y);
                if (area.contains(x, y)) // the block's top-left pixel
                    from = area.topLeft() + QPoint((x - area.x()) / block * block, (y - area.y()) / block * block);
                QCOMPARE(rgbAt(out, x, y), rgbAt(source, from.x(), from.y()));
            }
    }

    void gaussianPassesStayInTheArea()
    {
        Run run = newRun("gauss");
        const QImage source = PatternImage(40, 30);
        const QString image = inPath("gauss", "pattern.png");
        QVERIFY(WriteImageWithFaces(image, source, {{5, 4, 20, 12}}));
        run.entries = {image};
        run(Action::BlurFacesInImage);

        const QImage out(run.destination + "/output.png");
        const QRect area(0, 0, 35, 22); // the box grown by half its size on each side, cut at the image
        int changed = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                if (area.contains(x, y))
                    changed += rgbAt(out, x, y) != rgbAt(source, x, y);
                else
                    QCOMPARE(rgbAt(out, x, y), rgbAt(source, x, y));
            }
        QVERIFY(changed > 400);
    }

    void saveFacesNumberingAndClamping()
    {
        Run run = newRun("save");
        QVERIFY(WriteAll(run.destination + "/face1.png", "mine"));
        QVERIFY(WriteAll(run.destination + "/face3.png", "mine too"));
        const QImage source = PatternImage(100, 100);
        const QString image = inPath("save", "three.png");
        QVERIFY(WriteImageWithFaces(image, source, {{20, 30, 16, 12}, {-10, 5, 40, 30}, {90, 95, 30, 30}}));
        run.entries = {image};
        run(Action::SaveFacesAsSeparateImages);

        QCOMPARE(Entries(run.destination),
                 (QStringList{"face1.png", "face2.png", "face3.png", "face4.png", "face5.png"}));
        QCOMPARE(ReadAll(run.destination + "/face1.png"), QByteArray("mine"));
        QCOMPARE(ReadAll(run.destination + "/face3.png"), QByteArray("mine too"));

        const QImage first(run.destination + "/face2.png");
        QVERIFY(first.hasAlphaChannel());
        QCOMPARE(first.size(), QSize(16, 12));
        QCOMPARE(qAlpha(first.pixel(0, 0)), 255);
        QCOMPARE(rgbAt(first, 3, 2), rgbAt(source, 23, 32));
        const QImage leftOfImage(run.destination + "/face4.png");
        QCOMPARE(leftOfImage.size(), QSize(40, 30)); // moved to x = 0, size kept
        QCOMPARE(rgbAt(leftOfImage, 0, 0), rgbAt(source, 0, 5));
        QCOMPARE(QImage(run.destination + "/face5.png").size(), QSize(10, 5));

        QVERIFY2(QRegularExpression("^'" + QRegularExpression::escape(InterpreterFile(run.phpDir)) + "' '"
                                    + QRegularExpression::escape(run.settingsDir) + "run-[A-Za-z0-9]{6}/temp.php'\n")
                     .match(run.output).hasMatch(),
                 qPrintable(run.output));
        QVERIFY(run.output.contains("Processing 3 detected face(s)...\n"));
        QVERIFY(run.output.contains("Face saved: face4.png\n  Dimensions: 40x30 pixels\n  Position: (-10, 5)\n\n"));
    }

    void exportTwoBoxes()
    {
        Run run = newRun("export");
        const QString image = inPath("export", "two.png");
        QVERIFY(WriteImageWithFaces(image, PlainImage(300, 300), {{10, 20, 30, 40}, {100, 120, 50, 60}}));
        run.entries = {image};
        run(Action::ExportFacePositions);
        QCOMPARE(ReadAll(run.destination + "/output.txt"),
                 QByteArray("x: 10, y: 20, width: 30, height: 40\nx: 100, y: 120, width: 50, height: 60\n"));
    }

    void threeImagesInListOrder()
    {
        Run run = newRun("three");
        for (int i = 1; i <= 3; ++i) {
            run.entries << inPath("three", QString("image %1.png").arg(i));
            QVERIFY(WriteImageWithFaces(run.entries.last(), PlainImage(50, 50), {{i, i, i, i}}));
        }
        std::reverse(run.entries.begin(), run.entries.end()); // list order, not name order
        run(Action::ExportFacePositions);

        QCOMPARE(Entries(run.destination), (QStringList{"output (2).txt", "output (3).txt", "output.txt"}));
        QCOMPARE(ReadAll(run.destination + "/output.txt"), QByteArray("x: 3, y: 3, width: 3, height: 3\n"));
        QCOMPARE(ReadAll(run.destination + "/output (2).txt"), QByteArray("x: 2, y: 2, width: 2, height: 2\n"));
        QCOMPARE(ReadAll(run.destination + "/output (3).txt"), QByteArray("x: 1, y: 1, width: 1, height: 1\n"));
        QCOMPARE(run.started, run.entries);
        QCOMPARE(Entries(run.settingsDir), QStringList()); // the run's private script folder is gone
    }

    // Two windows running at once into one destination: each has its own scripts, every image
    // gets an output of its own, whole.
    void twoRunsAtOnceIntoOneDestination()
    {
        Run run = newRun("two");
        QStringList images;
        for (int i = 1; i <= 4; ++i) {
            images << inPath("two", QString("%1.png").arg(i));
            QVERIFY(WriteImageWithFaces(images.last(), PlainImage(20 + i, 20), {{i, i, 5, 5}}));
        }
        const ActionRunValues values{run.phpDir, FixtureLibrary(), run.settingsDir, "PNG"};
        BatchRun first(images, ActionImages(Action::MarkFacesInImage, values, [&run] { return run.destination; }), {});
        BatchRun second(images, ActionImages(Action::MarkFacesInImage, values, [&run] { return run.destination; }), {});
        QSignalSpy firstEnded(&first, &BatchRun::finished), secondEnded(&second, &BatchRun::finished);
        first.start();
        second.start();
        QTRY_VERIFY_WITH_TIMEOUT(firstEnded.size() == 1 && secondEnded.size() == 1, 60000);
        QCOMPARE(first.summary().failures.size() + second.summary().failures.size(), 0);
        const QStringList outputs = Entries(run.destination);
        QCOMPARE(outputs.size(), 8);
        QMap<int, int> widths;
        for (const QString &name : outputs)
            ++widths[QImage(run.destination + "/" + name).width()];
        QCOMPARE(widths, (QMap<int, int>{{21, 2}, {22, 2}, {23, 2}, {24, 2}}));
    }

    void everyOutputFormat_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QSize>("size");
        for (const char *format : {"PNG", "JPG", "WEBP", "BMP"}) {
            const QString extension = QString::fromLatin1(format).toLower();
            QTest::addRow("mark %s", format) << format << int(Action::MarkFacesInImage) << "output." + extension << QSize(64, 48);
            QTest::addRow("blur %s", format) << format << int(Action::BlurFacesInImage) << "output." + extension << QSize(64, 48);
            QTest::addRow("save %s", format) << format << int(Action::SaveFacesAsSeparateImages) << "face1." + extension << QSize(20, 16);
        }
    }
    void everyOutputFormat()
    {
        QFETCH(QString, format);
        QFETCH(int, action);
        QFETCH(QString, file);
        QFETCH(QSize, size);
        const QString name = QString(QTest::currentDataTag()).replace(' ', '-');
        Run run = newRun(name);
        run.format = format;
        const QString image = inPath(name, "grey.png");
        QVERIFY(WriteImageWithFaces(image, PlainImage(64, 48, qRgb(40, 90, 160)), {{10, 12, 20, 16}}));
        run.entries = {image};
        run(Action(action));

        QCOMPARE(Entries(run.destination), QStringList{file});
        const QImage out(run.destination + "/" + file);
        QCOMPARE(out.size(), size);
        const bool marked = action == int(Action::MarkFacesInImage);
        const QRgb got = out.pixel(marked ? QPoint(20, 12) : QPoint(2, 2));
        const bool lossy = format == "JPG" || format == "WEBP"; // quality 90
        bool ok;
        if (marked && lossy) // a one-pixel red line on blue-grey stays clearly red
            ok = qRed(got) >= 100 && qGreen(got) < 90;
        else {
            const QRgb expected = marked ? qRgb(255, 0, 0) : qRgb(40, 90, 160);
            const int tolerance = lossy ? 8 : 0;
            ok = qAbs(qRed(got) - qRed(expected)) <= tolerance && qAbs(qGreen(got) - qGreen(expected)) <= tolerance
                 && qAbs(qBlue(got) - qBlue(expected)) <= tolerance;
        }
        QVERIFY2(ok,
                 qPrintable(QString::number(got, 16)));
    }

    // Names that would break out of a PHP literal or a shell word are plain names.
    void awkwardPaths_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("apostrophe") << "it's";
        QTest::newRow("php injection") << "x'); file_put_contents('pwned', 'x'); ('";
        QTest::newRow("dollar sign") << "a $HOME {$x} b";
        QTest::newRow("backtick") << "run `touch pwned` now";
        QTest::newRow("shell injection") << "'; touch pwned; '$(touch pwned)";
        QTest::newRow("double quote") << "say \"cheese\"";
        QTest::newRow("blanks") << "  two  blanks ";
        QTest::newRow("backslashes") << "\\\\lead and trail\\";
        QTest::newRow("non-ASCII") << QString::fromUtf8("çiğdem фото 写真");
    }
    void awkwardPaths()
    {
        QFETCH(QString, name);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(name + "/in " + name));
        QVERIFY(QDir(root.path()).mkpath(name + "/settings " + name));
        const QString image = root.filePath(name + "/in " + name + "/" + name + ".png");
        QVERIFY(WriteImageWithFaces(image, PlainImage(60, 60), {{5, 6, 20, 20}}));

        Run run;
        run.settingsDir = root.filePath(name + "/settings " + name + "/");
        run.entries = {image};
        const QStringList actions{"export", "mark", "blur", "save"};
        for (int a = 0; a < 4; ++a) {
            run.destination = root.filePath(name + "/" + actions[a] + " " + name);
            QVERIFY(QDir().mkpath(run.destination));
            run(Action(a));
        }
        QCOMPARE(ReadAll(root.filePath(name + "/export " + name + "/output.txt")),
                 QByteArray("x: 5, y: 6, width: 20, height: 20\n"));
        QCOMPARE(QImage(root.filePath(name + "/mark " + name + "/output.png")).pixel(5, 6), qRgb(255, 0, 0));
        QCOMPARE(QImage(root.filePath(name + "/blur " + name + "/output.png")).size(), QSize(60, 60));
        QCOMPARE(QImage(root.filePath(name + "/save " + name + "/face1.png")).size(), QSize(20, 20));
        QVERIFY(!QFile::exists(BuildPhpDir() + "/pwned"));
        QVERIFY(!QFile::exists(QDir::current().filePath("pwned")));
    }

    // Images that cannot be read or decoded give nothing; their names stay free; nothing that
    // was in the destination changes.
    void badImagesAreSkipped()
    {
        Run run = newRun("bad");
        QVERIFY(WriteAll(run.destination + "/output.png", "already here"));
        const QString good1 = inPath("bad", "good1.png");
        const QString good2 = inPath("bad", "good2.png");
        QVERIFY(WriteImageWithFaces(good1, PlainImage(30, 30), {{1, 1, 5, 5}}));
        QVERIFY(WriteImageWithFaces(good2, PlainImage(30, 30), {}));
        const QString garbage = inPath("bad", "garbage.png");
        QVERIFY(WriteAll(garbage, QByteArray(500, 'g')));
        const QString truncated = inPath("bad", "truncated.png"); // header fine, picture data cut off
        QVERIFY(WriteAll(truncated, ReadAll(good1).left(60)));
        QVERIFY(WriteAll(truncated + ".faces", "1 1 5 5\n"));
        run.entries = {garbage, good1, truncated, inPath("bad", "missing.png"), good2};

        for (const Action action : {Action::MarkFacesInImage, Action::SaveFacesAsSeparateImages, Action::ExportFacePositions})
            run(action);
        QCOMPARE(Entries(run.destination), (QStringList{"face1.png", "output (2).png", "output (2).txt",
                                                        "output (3).png", "output.png", "output.txt"}));
        QCOMPARE(ReadAll(run.destination + "/output.png"), QByteArray("already here"));
        QCOMPARE(QImage(run.destination + "/output (2).png").size(), QSize(30, 30)); // good1
        QCOMPARE(ReadAll(run.destination + "/output.txt"), QByteArray("x: 1, y: 1, width: 5, height: 5\n"));
        QCOMPARE(ReadAll(run.destination + "/output (2).txt"), QByteArray()); // good2 has no faces
    }

    // Links planted in the destination, dangling into another folder, take their names: every
    // output is written beside them, as a new file of its own, and nothing lands elsewhere.
    void plantedLinksAreNeverWrittenThrough()
    {
        Run run = newRun("links");
        QTemporaryDir elsewhere;
        for (const char *name : {"output.png", "output.txt", "face1.png"})
            QVERIFY(QFile::link(elsewhere.filePath(QLatin1String(name)), run.destination + "/" + QLatin1String(name)));
        const QString image = inPath("links", "a.png");
        QVERIFY(WriteImageWithFaces(image, PlainImage(30, 30), {{1, 1, 5, 5}}));
        run.entries = {image};
        for (const Action action : {Action::MarkFacesInImage, Action::ExportFacePositions, Action::SaveFacesAsSeparateImages})
            run(action);

        QCOMPARE(QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System), QStringList());
        QCOMPARE(QImage(run.destination + "/output (2).png").size(), QSize(30, 30));
        QCOMPARE(ReadAll(run.destination + "/output (2).txt"), QByteArray("x: 1, y: 1, width: 5, height: 5\n"));
        QCOMPARE(QImage(run.destination + "/face2.png").size(), QSize(5, 5));
        for (const char *name : {"output.png", "output.txt", "face1.png"})
            QVERIFY(QFileInfo(run.destination + "/" + QLatin1String(name)).isSymLink());
    }

    // Whoever swaps the freshly created output for a link before the script writes gets no file
    // written through it: the script creates the output anew, exclusively, and writes through
    // that handle.
    void linkPlantedAfterCreationIsNotWrittenThrough()
    {
        Run run = newRun("swap");
        const QString image = inPath("swap", "a.png");
        QVERIFY(WriteImageWithFaces(image, PlainImage(30, 30), {{1, 1, 5, 5}}));
        QTemporaryDir elsewhere;
        const QString victim = elsewhere.filePath("victim.png");
        QVERIFY(WriteAll(victim, "victim"));
        const ActionRunValues values{run.phpDir, FixtureLibrary(), run.settingsDir, "PNG"};
        for (const Action action : {Action::MarkFacesInImage, Action::BlurFacesInImage}) {
            const PrepareImage prepare = ActionImages(action, values, [&run] { return run.destination; });
            const PreparedImage prepared = prepare(0, image, 0);
            const QString output = prepared.expectedOutputs.value(0);
            QVERIFY(QFile::remove(output) && QFile::link(victim, output));
            QProcess shell;
            shell.setWorkingDirectory(prepared.workingDirectory);
            shell.start("/bin/sh", {"-c", prepared.command});
            QVERIFY(shell.waitForFinished(60000));
            QCOMPARE(ReadAll(victim), QByteArray("victim"));
            QVERIFY(!QFileInfo(output).isSymLink());
            QCOMPARE(QImage(output).size(), QSize(30, 30));
        }
    }

    // A destination that cannot be written: every image is tried, nothing is written, nothing is lost.
    void unwritableDestination()
    {
        Run run = newRun("unwritable");
        const QString blocker = run.destination + "/file";
        QVERIFY(WriteAll(blocker, "keep"));
        const QString image = inPath("unwritable", "a.png");
        QVERIFY(WriteImageWithFaces(image, PlainImage(30, 30), {{1, 1, 5, 5}}));
        run.entries = {image, image};
        run.destination = blocker + "/out";
        for (const Action action : {Action::ExportFacePositions, Action::MarkFacesInImage, Action::BlurFacesInImage,
                                    Action::SaveFacesAsSeparateImages}) {
            run.started.clear();
            run(action);
            QCOMPARE(run.started.size(), 2);
        }
        QVERIFY(run.output.contains("Failed to save face to: face1.png"));
        QCOMPARE(Entries(blocker.section('/', 0, -2)), QStringList{"file"});
        QCOMPARE(ReadAll(blocker), QByteArray("keep"));
    }

    // The interpreter runs in the php folder; a relative destination (or settings folder) still
    // means the folder the application sees, where the free name was chosen.
    void relativeDestination()
    {
        Run run = newRun("relative");
        QTemporaryDir phpDir;
        QVERIFY(QFile::link("/usr/bin/php", phpDir.filePath("php")));
        run.phpDir = phpDir.path();
        const QString image = inPath("relative", "a.png");
        QVERIFY(WriteImageWithFaces(image, PlainImage(30, 30), {{1, 1, 5, 5}}));
        QVERIFY(QDir().mkpath(phpDir.filePath("rel")));
        QVERIFY(WriteAll(phpDir.filePath("rel/output.png"), "php folder's own"));
        run.entries = {image};
        run.destination = "rel";
        run.settingsDir = "settings/";
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir.filePath("relative"));
        QDir().mkpath("rel");
        run(Action::MarkFacesInImage);
        QDir::setCurrent(previous);
        QCOMPARE(Entries(dir.filePath("relative/rel")), QStringList{"output.png"});
        QCOMPARE(ReadAll(phpDir.filePath("rel/output.png")), QByteArray("php folder's own"));
    }

    // Whatever the window does while it has its turn (another run among them) may write into
    // the destination; the name is chosen after that, so nothing written then is overwritten.
    void filesWrittenWhileTheWindowHasItsTurnAreKept()
    {
        Run run = newRun("turn");
        const QString image = inPath("turn", "a.png");
        QVERIFY(WriteImageWithFaces(image, PlainImage(30, 30), {{1, 1, 5, 5}}));
        run.entries = {image};
        ActionRunValues values{run.phpDir, FixtureLibrary(), run.settingsDir, "PNG"};
        WindowRunCalls calls;
        calls.imageStarted = [&run](const QString &) { WriteAll(run.destination + "/output.png", "written meanwhile"); };
        RunAsWindow(Action::MarkFacesInImage, values, run.entries, [&run] { return run.destination; }, calls);
        QCOMPARE(ReadAll(run.destination + "/output.png"), QByteArray("written meanwhile"));
        QCOMPARE(QImage(run.destination + "/output (2).png").size(), QSize(30, 30));
    }

    void scriptFileCannotBeWritten()
    {
        Run run = newRun("noscript");
        run.settingsDir = dir.filePath("noscript/missing/");
        const QString image = inPath("noscript", "a.png");
        QVERIFY(WriteImageWithFaces(image, PlainImage(30, 30), {}));
        run.entries = {image, image};
        QVERIFY_THROWS_EXCEPTION(MirelonError, run(Action::MarkFacesInImage));
        QCOMPARE(run.started.size(), 1); // the run ends at the first entry
        QVERIFY(Entries(run.destination).isEmpty());
    }

    void nulInDestinationEndsTheRunBeforeAnyScript_data()
    {
        QTest::addColumn<int>("action");
        QTest::newRow("export") << int(Action::ExportFacePositions);
        QTest::newRow("mark") << int(Action::MarkFacesInImage);
        QTest::newRow("blur") << int(Action::BlurFacesInImage);
        QTest::newRow("save") << int(Action::SaveFacesAsSeparateImages);
    }
    void nulInDestinationEndsTheRunBeforeAnyScript()
    {
        QFETCH(int, action);
        const QString name = QStringLiteral("nul-") + QTest::currentDataTag();
        Run run = newRun(name);
        run.entries = {inPath(name, "a.png")};
        run.destination += QChar(u'\0');
        try {
            run(Action(action));
            QFAIL("no error raised");
        } catch (const MirelonError &error) {
            QCOMPARE(error.message(), QString("Invalid characters in path"));
        }
        QCOMPARE(Entries(run.settingsDir), QStringList());
    }

    void emptyListWritesNoScript()
    {
        Run run = newRun("empty");
        run(Action::BlurFacesInImage);
        QCOMPARE(Entries(run.settingsDir), QStringList());
        QVERIFY(run.started.isEmpty());
    }
};

QTEST_MAIN(TestActionRun)
#include "tst_actionrun.moc"
