// When an image counts as failed, and which of its files are removed.
#include "ImageFixtures.h"

#include "processing/ImageFailure.h"

#include <QBuffer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {
QByteArray encoded(const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    PatternImage(40, 30).save(&buffer, format);
    return bytes;
}

// A BMP written by GD: `make` creates the picture, `compressed` is imagebmp's third argument.
QByteArray GdBmp(const char *make, const char *compressed)
{
    QProcess php;
    php.start(QStringLiteral("php"), {QStringLiteral("-r"), QStringLiteral("$i = %1; imagecolorallocate($i, 200, 10, 10); "
                                                                           "imagebmp($i, 'php://stdout', %2);")
                                                                .arg(QLatin1String(make), QLatin1String(compressed))});
    php.waitForFinished();
    return php.readAllStandardOutput();
}

ImageJobResult exited(int code)
{
    ImageJobResult result;
    result.started = true;
    result.exitCode = code;
    return result;
}
} // namespace

class TestImageFailure : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void wholePictures_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("whole");
        for (const char *format : {"png", "jpg", "bmp", "webp"}) {
            const QByteArray bytes = encoded(format == QByteArray("jpg") ? "JPEG" : format);
            QTest::addRow("%s whole", format) << format << bytes << true;
            QTest::addRow("%s cut short", format) << format << bytes.left(bytes.size() - 1) << false;
            QTest::addRow("%s half", format) << format << bytes.left(bytes.size() / 2) << false;
            QTest::addRow("%s empty", format) << format << QByteArray() << false;
            // A BMP holds its rows wherever the file goes on; the others name their end.
            QTest::addRow("%s trailing junk", format) << format << bytes + "junk" << (format == QByteArray("bmp"));
        }
        // GD's BMPs: the size field lacks the rows' padding; palette pictures are run-length coded.
        for (const char *make : {"imagecreatetruecolor(5, 3)", "imagecreatetruecolor(3, 1)", "imagecreate(7, 3)"}) {
            for (const char *compressed : {"true", "false"}) {
                const QByteArray bytes = GdBmp(make, compressed);
                QVERIFY(!bytes.isEmpty());
                QTest::addRow("GD %s %s", make, compressed) << "bmp" << bytes << true;
                QTest::addRow("GD %s %s cut short", make, compressed) << "bmp" << bytes.left(bytes.size() - 1) << false;
            }
        }
        QTest::newRow("upper-case extension") << "PNG" << encoded("png") << true;
        QTest::newRow("text is not judged") << "txt" << QByteArray() << true;
    }
    void wholePictures()
    {
        QFETCH(QString, extension);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, whole);
        QCOMPARE(IsWholePicture(extension, bytes.left(34), bytes.right(12), bytes.size()), whole);
        const QString path = dir.filePath("picture." + extension);
        QVERIFY(WriteAll(path, bytes));
        QCOMPARE(CheckOutputFile(path), whole ? OutputState::Whole : OutputState::Incomplete);
    }

    void failureReasons_data()
    {
        QTest::addColumn<ImageJobResult>("result");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QStringList>("missing");
        QTest::addColumn<QStringList>("incomplete");
        QTest::addColumn<QString>("reason"); // empty: success
        const ImageJobResult ok = exited(0);
        ImageJobResult stopped = ok, timedOut = ok, crashed = ok, notStarted;
        stopped.stopped = true;
        timedOut.timedOut = true;
        crashed.crashed = true;
        crashed.signal = SIGSEGV;
        notStarted.startError = "No such file or directory";

        QTest::newRow("success") << ok << "Face saved: face1.png\n" << QStringList() << QStringList() << "";
        QTest::newRow("deprecation is no failure") << ok << "PHP Deprecated:  old call in x.php on line 3\n"
                                                   << QStringList() << QStringList() << "";
        QTest::newRow("stopped") << stopped << "" << QStringList() << QStringList() << "Stopped";
        QTest::newRow("time limit") << timedOut << "" << QStringList() << QStringList()
                                    << "Took longer than the time limit of 600 s";
        QTest::newRow("not started") << notStarted << "" << QStringList() << QStringList()
                                     << "The interpreter could not be started: No such file or directory";
        QTest::newRow("library exception")
            << exited(255)
            << "PHP Fatal error:  Uncaught Exception: Cannot read or decode the image '/a.png' in /x/FaceDetector.php:12\n"
               "Stack trace:\n#0 {main}\n"
            << QStringList() << QStringList()
            << "Cannot read or decode the image '/a.png'";
        QTest::newRow("search failed")
            << exited(255)
            << "PHP Fatal error:  Uncaught Exception: FaceDetector: cannot find the faces in '/p/a in /b.jpg': "
               "the JPEG data is damaged in /opt/mirelon/FaceDetector.php:41\nStack trace:\n#0 {main}\n"
            << QStringList() << QStringList() << "Cannot find the faces: the JPEG data is damaged";
        QTest::newRow("warning in a script")
            << ok << "PHP Warning:  imagecreatefromstring(): Data is not in a recognized format in /tmp/mirelon-convert-Ab12/5/script.php on line 11\n"
            << QStringList() << QStringList() << "Data is not in a recognized format";
        QTest::newRow("warning on standard output") << ok << "\nWarning: imagepng(/out/output.png): Failed to open stream\n"
                                                    << QStringList() << QStringList()
                                                    << "Failed to open stream";
        QTest::newRow("notice of a full disk first") << ok << "PHP Notice:  imagebmp(): Write of 1 bytes failed with errno=28\n"
                                                     << QStringList() << QStringList("/out/output.bmp")
                                                     << "Write of 1 bytes failed with errno=28";
        QTest::newRow("script's own message") << ok << "Failed to load image or unsupported input format."
                                              << QStringList("/out/output.png") << QStringList()
                                              << "Failed to load image or unsupported input format.";
        QTest::newRow("face not saved") << ok << "Processing 1 detected face(s)...\nFailed to save face to: face1.png\n"
                                        << QStringList() << QStringList() << "Failed to save face to: face1.png";
        QTest::newRow("crash") << crashed << "" << QStringList() << QStringList()
                               << "The interpreter ended abnormally (Segmentation fault)";
        QTest::newRow("exit code alone") << exited(1) << "nothing telling\n" << QStringList() << QStringList()
                                         << "The interpreter ended with exit code 1";
        QTest::newRow("no output file") << ok << "" << QStringList("/out/output.png") << QStringList()
                                        << "No output was written";
        QTest::newRow("output cut short") << ok << "" << QStringList() << QStringList("/out/output.png")
                                          << "The output is incomplete";
    }
    void failureReasons()
    {
        QFETCH(ImageJobResult, result);
        QFETCH(QString, output);
        QFETCH(QStringList, missing);
        QFETCH(QStringList, incomplete);
        QFETCH(QString, reason);
        const std::optional<QString> got = FailureReason({result, output, 600, missing, incomplete});
        QCOMPARE(got.value_or(QString()), reason);
    }

    // After a failure or a stop: broken pictures and text go, whole pictures and what was never
    // written stay as they are.
    void removeUnfinishedOutputs()
    {
        const QString folder = dir.filePath("outputs");
        QVERIFY(QDir().mkpath(folder));
        const QByteArray png = encoded("png");
        QVERIFY(WriteAll(folder + "/whole.png", png));
        QVERIFY(WriteAll(folder + "/cut.png", png.left(100)));
        QVERIFY(WriteAll(folder + "/empty.jpg", ""));
        QVERIFY(WriteAll(folder + "/positions.txt", "x: 1"));
        const QStringList removed = RemoveUnfinishedOutputs(
            {folder + "/whole.png", folder + "/cut.png", folder + "/empty.jpg", folder + "/positions.txt", folder + "/never.png"});
        QCOMPARE(removed, (QStringList{folder + "/cut.png", folder + "/empty.jpg", folder + "/positions.txt"}));
        QCOMPARE(Entries(folder), QStringList{"whole.png"});
    }
};

QTEST_GUILESS_MAIN(TestImageFailure)
#include "tst_imagefailure.moc"
