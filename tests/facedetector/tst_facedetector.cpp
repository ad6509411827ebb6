// FaceDetector.php and mirelon-facedetect, run for real: PHP with GD, the engine, the model.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

#include "tests/support/OrientedPictures.h"

namespace {

const QString RuntimeDir = QStringLiteral(MIRELON_BINARY_DIR);
const QString Library = RuntimeDir + QStringLiteral("/FaceDetector.php");
const QString Engine = RuntimeDir + QStringLiteral("/mirelon-facedetect");
const QString ModelName = QStringLiteral("yunet_n_640_640.onnx");

// Scans one picture through the library; prints the faces, their value types and key lists,
// or the exception's message, as JSON.
const char *ScanScript = R"php(<?php
require $argv[1];
$detector = new FaceDetector();
$result = array();
try {
    $detector->scan($argv[2]);
    $faces = $detector->getFaces();
    $result = array('faces' => $faces, 'orientation' => $detector->getOrientation(),
        'keys' => array_map('array_keys', $faces),
        'types' => array_map(function ($f) { return array_values(array_map('gettype', $f)); }, $faces));
} catch (Exception $e) {
    $result = array('error' => $e->getMessage(), 'facesAfterError' => count($detector->getFaces()));
}
echo json_encode($result, JSON_INVALID_UTF8_SUBSTITUTE);
)php";

struct ScanResult {
    QString error; // empty: the scan succeeded
    QList<QRect> faces;
    QJsonObject json;
};

QString FacesDir()
{
    const QString fromEnvironment = qEnvironmentVariable("MIRELON_SHARED_DIR");
    return (fromEnvironment.isEmpty() ? QStringLiteral(MIRELON_SHARED_DIR) : fromEnvironment) + QStringLiteral("/faces");
}

QList<QRect> ParseEngineLines(const QByteArray &output)
{
    QList<QRect> faces;
    for (const QByteArray &line : output.split('\n')) {
        const QList<QByteArray> v = line.split(' ');
        if (v.size() == 4)
            faces.append(QRect(v[0].toInt(), v[1].toInt(), v[2].toInt(), v[3].toInt()));
    }
    return faces;
}

double IoU(const QRect &a, const QRect &b)
{
    const QRect common = a & b;
    const double c = double(common.width()) * common.height();
    return c / (double(a.width()) * a.height() + double(b.width()) * b.height() - c);
}

} // namespace

class TestFaceDetector : public QObject {
    Q_OBJECT

    QTemporaryDir work_;
    QString scanScript_;
    QString faceImage_; // a real photo with three faces
    QString fixtures_;  // the small generated picture in every format
    QList<QRect> pngFaces_;

    // The engine's exit code and error output for one file, with its data segment limited to
    // `dataLimit` bytes (0: no limit).
    std::pair<int, QString> RunEngine(const QString &path, rlim_t dataLimit = 0)
    {
        QProcess engine;
        if (dataLimit)
            engine.setChildProcessModifier([dataLimit] {
                const rlimit limit{dataLimit, dataLimit};
                ::setrlimit(RLIMIT_DATA, &limit);
            });
        engine.start(Engine, {path});
        engine.waitForFinished(60000);
        return {engine.exitStatus() == QProcess::NormalExit ? engine.exitCode() : -1,
                QString::fromUtf8(engine.readAllStandardError())};
    }

    QList<QRect> DetectFixture(const QString &name) { return Detect(fixtures_ + QLatin1Char('/') + name); }

    QList<QRect> Detect(const QString &path)
    {
        QProcess engine;
        engine.start(Engine, {path});
        engine.waitForFinished(60000);
        if (engine.exitCode() != 0)
            qWarning() << engine.readAllStandardError();
        return ParseEngineLines(engine.readAllStandardOutput());
    }

    // Writes a picture of face.png (turned, tagged or re-encoded) and searches it: what differs
    // from the faces of face.png itself, or nothing.
    QString FindsThePngFaces(const QString &name, const QByteArray &content)
    {
        const QString path = work_.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return QStringLiteral("cannot write ") + path;
        file.close();
        const QList<QRect> faces = Detect(path);
        if (faces.size() != pngFaces_.size())
            return QStringLiteral("%1 faces found, %2 expected").arg(faces.size()).arg(pngFaces_.size());
        for (int i = 0; i < faces.size(); ++i)
            if (IoU(faces[i], pngFaces_[i]) <= 0.7)
                return QStringLiteral("face %1 is elsewhere").arg(i);
        return {};
    }

    ScanResult Scan(const QString &imagePath, const QString &library = Library, const QString &facesFile = QString())
    {
        QProcess php;
        if (!facesFile.isEmpty()) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("MIRELON_FACES_FILE"), facesFile);
            php.setProcessEnvironment(environment);
        }
        php.start(QStringLiteral("php"), {scanScript_, library, imagePath});
        if (!php.waitForFinished(120000))
            qFatal("PHP did not finish");
        ScanResult result;
        const QByteArray out = php.readAllStandardOutput();
        result.json = QJsonDocument::fromJson(out).object();
        if (php.exitCode() != 0 || result.json.isEmpty()) {
            result.error = QStringLiteral("PHP failed: ") + QString::fromUtf8(out + php.readAllStandardError());
            return result;
        }
        result.error = result.json.value(QStringLiteral("error")).toString();
        for (const QJsonValue &face : result.json.value(QStringLiteral("faces")).toArray()) {
            const QJsonObject f = face.toObject();
            result.faces.append(QRect(f[QStringLiteral("x")].toInt(), f[QStringLiteral("y")].toInt(),
                                      f[QStringLiteral("width")].toInt(), f[QStringLiteral("height")].toInt()));
        }
        return result;
    }

    // A folder laid out like an installation, with FaceDetector.php and the given engine, and
    // the given bytes as its model (null: no model file).
    QString MakeInstallation(const QString &name, const QByteArray &engineScript, const QByteArray &model)
    {
        const QString dir = work_.filePath(name);
        QDir().mkpath(dir);
        QFile::copy(Library, dir + QStringLiteral("/FaceDetector.php"));
        const QString engine = dir + QStringLiteral("/mirelon-facedetect");
        if (engineScript.isEmpty()) {
            QFile::copy(Engine, engine);
        } else {
            QFile file(engine);
            file.open(QIODevice::WriteOnly);
            file.write(engineScript);
            file.close();
            file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        }
        if (!model.isNull()) {
            QFile file(dir + QLatin1Char('/') + ModelName);
            file.open(QIODevice::WriteOnly);
            file.write(model);
        }
        return dir + QStringLiteral("/FaceDetector.php");
    }

private slots:
    void initTestCase()
    {
        QVERIFY(work_.isValid());
        QVERIFY2(QFile::exists(Engine) && QFile::exists(Library), "build mirelon-facedetect first");
        faceImage_ = FacesDir() + QStringLiteral("/2008_001322.jpg");
        if (!QFile::exists(faceImage_))
            QSKIP("the shared face pictures are not there; set MIRELON_SHARED_DIR");

        scanScript_ = work_.filePath(QStringLiteral("scan.php"));
        QFile script(scanScript_);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(ScanScript);
        script.close();

        fixtures_ = work_.filePath(QStringLiteral("fixtures"));
        QVERIFY(QDir().mkpath(fixtures_));
        QProcess php;
        php.start(QStringLiteral("php"), {QStringLiteral(MIRELON_SOURCE_DIR "/tests/facedetector/make_fixtures.php"), faceImage_, fixtures_});
        QVERIFY(php.waitForFinished(60000));
        QVERIFY2(php.exitCode() == 0, php.readAllStandardError().constData());
        // Every generated picture decodes in GD to the grid the detector must answer in.
        for (const QByteArray &line : php.readAllStandardOutput().split('\n'))
            if (!line.isEmpty())
                QVERIFY2(line.endsWith(" 300x225"), line.constData());
        QVERIFY(QImage(fixtures_ + QStringLiteral("/face.png")).save(fixtures_ + QStringLiteral("/face.tif")));
        pngFaces_ = DetectFixture(QStringLiteral("face.png"));
        QCOMPARE(pngFaces_.size(), 3);
    }

    // Keys, integer types, order and accuracy on a real photo.
    void findsTheFacesOfAPhoto()
    {
        const ScanResult result = Scan(faceImage_);
        QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
        const QList<QRect> truth = {QRect(104, 162, 76, 76), QRect(232, 218, 63, 63), QRect(344, 155, 90, 90)};
        QCOMPARE(result.faces.size(), truth.size());
        for (int i = 0; i < truth.size(); ++i) {
            QVERIFY2(IoU(result.faces[i], truth[i]) >= 0.5, qPrintable(QStringLiteral("face %1").arg(i)));
            QCOMPARE(result.json[QStringLiteral("keys")].toArray()[i].toArray(),
                     QJsonArray({QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("width"), QStringLiteral("height")}));
            QCOMPARE(result.json[QStringLiteral("types")].toArray()[i].toArray(),
                     QJsonArray({QStringLiteral("integer"), QStringLiteral("integer"), QStringLiteral("integer"), QStringLiteral("integer")}));
        }
    }

    // A face that fills the whole picture is found once, covering most of it, at any size.
    void findsAFaceFillingTheFrame_data()
    {
        QTest::addColumn<int>("side");
        QTest::newRow("as photographed") << 0;
        QTest::newRow("640 pixels") << 640;
        QTest::newRow("3000 pixels") << 3000;
    }
    void findsAFaceFillingTheFrame()
    {
        QFETCH(int, side);
        // The face of 2008_001322.jpg at (344, 155), 90 x 90 in the truth, forehead to chin.
        QImage face = QImage(faceImage_).copy(QRect(339, 140, 100, 115));
        if (side)
            face = face.scaled(side, side * 115 / 100, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QString path = work_.filePath(QStringLiteral("whole-face.png"));
        QVERIFY(face.save(path));
        const QList<QRect> found = Detect(path);
        QCOMPARE(found.size(), 1);
        const QRect frame = face.rect();
        const QRect common = found.first() & frame;
        QVERIFY2(double(common.width()) * common.height() >= 0.5 * frame.width() * frame.height(),
                 qPrintable(QStringLiteral("%1,%2 %3x%4").arg(found.first().x()).arg(found.first().y()).arg(found.first().width()).arg(found.first().height())));
    }

    // Many small faces spread over a picture large enough to be searched in tiles: each is found
    // exactly once, wherever the tile borders fall.
    void findsSmallFacesAcrossTileBorders()
    {
        const QImage photo(faceImage_);
        const QList<QRect> heads = {QRect(96, 140, 92, 106), QRect(225, 200, 77, 88), QRect(335, 135, 108, 125)};
        QImage picture(3400, 2300, QImage::Format_RGB32);
        picture.fill(qRgb(128, 132, 126));
        QList<QRect> placed;
        QPainter painter(&picture);
        int n = 0;
        for (int y = 14; y + 60 < picture.height(); y += 71)
            for (int x = 10 + (y / 71 % 2) * 23; x + 50 < picture.width(); x += 67, ++n) {
                const QRect &head = heads[n % heads.size()];
                const int height = 34 + n % 3 * 8; // faces of 34 to 50 pixels, heads a little larger
                const QImage sprite = photo.copy(head).scaledToHeight(height, Qt::SmoothTransformation);
                painter.drawImage(x, y, sprite);
                placed.append(QRect(x, y, sprite.width(), sprite.height()));
            }
        painter.end();
        const QString path = work_.filePath(QStringLiteral("many-small-faces.png"));
        QVERIFY(picture.save(path));
        const QList<QRect> found = Detect(path);
        int missing = 0;
        for (const QRect &head : placed) {
            const auto matches = std::count_if(found.cbegin(), found.cend(), [&](const QRect &box) { return IoU(box, head) >= 0.3; });
            if (matches != 1)
                qWarning() << head << "found" << matches << "times";
            missing += matches == 0;
        }
        QCOMPARE(missing, 0);
        for (const QRect &box : found)
            if (std::none_of(placed.cbegin(), placed.cend(), [&](const QRect &head) { return IoU(box, head) >= 0.3; }))
                qWarning() << "no face at" << box;
        QCOMPARE(found.size(), placed.size());
    }

    void facelessPicturesGiveNoFaces_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("blank");
        QTest::newRow("plain picture") << QSize(320, 240) << QStringLiteral("faceless.png") << false;
        QTest::newRow("one pixel") << QSize(1, 1) << QStringLiteral("faceless.png") << false;
        QTest::newRow("long thin strip") << QSize(3000, 24) << QStringLiteral("faceless.png") << false;
        // A few hundred bytes for 36 MB of pixels: still a picture, not a forged size.
        QTest::newRow("blank picture, far smaller than its pixels") << QSize(4000, 3000) << QStringLiteral("blank.webp") << true;
    }
    void facelessPicturesGiveNoFaces()
    {
        QFETCH(QSize, size);
        QFETCH(QString, name);
        QFETCH(bool, blank);
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        for (int y = 0; !blank && y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                image.setPixel(x, y, qRgb(40 + x % 200, 90, 160 + y % 90));
        const QString path = work_.filePath(name);
        QVERIFY(image.save(path, nullptr, 100)); // WEBP at 100: lossless
        const ScanResult result = Scan(path);
        QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
        QVERIFY(result.json[QStringLiteral("faces")].isArray());
        QVERIFY2(result.faces.isEmpty(), QJsonDocument(result.json).toJson().constData());
    }

    void unusablePicturesThrow_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content"); // null: do not create
        QTest::addColumn<QString>("message");
        QTest::newRow("missing file") << QStringLiteral("absent.jpg") << QByteArray() << QStringLiteral("cannot read the image file");
        QTest::newRow("folder") << QStringLiteral("fixtures") << QByteArray() << QStringLiteral("cannot read the image file");
        QTest::newRow("empty file") << QStringLiteral("empty.png") << QByteArray("") << QStringLiteral("the file is empty");
        QTest::newRow("garbage bytes") << QStringLiteral("garbage.jpg") << QByteArray("\x12\x34 this is no picture \x00\xff", 24)
                                       << QStringLiteral("not a picture");
        QTest::newRow("truncated PNG") << QStringLiteral("cut.png") << QByteArray("\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR", 16)
                                       << QStringLiteral("PNG data is damaged");
        QTest::newRow("GIF cut off") << QStringLiteral("cut.gif")
                                     << QByteArray("GIF89a\xd0\x07\xd0\x07\x80\x00\x00\x00\x00\x00\xff\xff\xff"
                                                   "\x2c\x00\x00\x00\x00\xd0\x07\xd0\x07\x00\x02\x04\x84\x8f\xa9\xcb", 35)
                                     << QStringLiteral("GIF data ends early");
        QTest::newRow("GIF without image") << QStringLiteral("empty.gif") << QByteArray("GIF89a\x01\x00\x01\x00\x00\x00\x00\x3b", 14)
                                           << QStringLiteral("holds no image");
    }
    void unusablePicturesThrow()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        const QString path = work_.filePath(name);
        if (!content.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        const ScanResult result = Scan(path);
        QVERIFY2(result.error.contains(message), qPrintable(result.error));
        QVERIFY2(result.error.contains(path), "the message names the file");
        QCOMPARE(result.json[QStringLiteral("facesAfterError")].toInt(), 0);
    }

    // A small file whose header claims a picture beyond the size limit (or beyond its data) is
    // refused on the header's word: under a data limit far below the claimed picture's size the
    // engine still fails with its own message, not an allocation failure.
    void hugeClaimsAreRefusedBeforeAllocating_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");

        // A progressive JPEG (its decoder allocates the whole picture on start) claiming 60000 x 60000.
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QImage small(64, 48, QImage::Format_RGB32);
        small.fill(Qt::gray);
        QImageWriter writer(&buffer, "jpeg");
        writer.setProgressiveScanWrite(true);
        writer.write(small);
        const qsizetype sof = jpeg.indexOf(QByteArray("\xff\xc2", 2));
        if (sof >= 0)
            jpeg.replace(sof + 5, 4, QByteArray("\xea\x60\xea\x60", 4));
        QTest::newRow("progressive JPEG") << QStringLiteral("huge.jpg") << jpeg << QStringLiteral("too large");

        // A 24-bit BMP header claiming 15000 x 15000 (675 MB decoded) and no pixel data.
        QByteArray bmp(54, '\0');
        auto put32 = [&bmp](int at, quint32 v) { for (int i = 0; i < 4; ++i) bmp[at + i] = char(v >> (8 * i)); };
        bmp[0] = 'B';
        bmp[1] = 'M';
        put32(2, 54 + 16);
        put32(10, 54);
        put32(14, 40);
        put32(18, 15000);
        put32(22, 15000);
        bmp[26] = 1;
        bmp[28] = 24;
        bmp.append(16, '\x7f');
        QTest::newRow("BMP") << QStringLiteral("huge.bmp") << bmp << QStringLiteral("ends early");
    }
    void hugeClaimsAreRefusedBeforeAllocating()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QVERIFY(content.contains(QByteArray("\xea\x60", 2)) || name.endsWith(QLatin1String(".bmp")));
        const QString path = work_.filePath(name);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        const auto [code, error] = RunEngine(path, 300'000'000);
        QVERIFY2(code > 0 && error.contains(message), qPrintable(QStringLiteral("exit %1: %2").arg(code).arg(error)));
    }

    // A broken installation or engine must fail loudly, never pass as "no faces".
    void brokenInstallationsThrow_data()
    {
        QTest::addColumn<QByteArray>("engine"); // empty: the real engine
        QTest::addColumn<QByteArray>("model");  // null: no model file
        QTest::addColumn<QString>("message");
        QFile realModel(RuntimeDir + QLatin1Char('/') + ModelName);
        QVERIFY(realModel.open(QIODevice::ReadOnly));
        // One byte changed deep inside the weights: the network still loads and runs.
        QByteArray altered = realModel.readAll();
        altered[altered.size() * 2 / 3] = char(altered[altered.size() * 2 / 3] ^ 0x01);
        const QByteArray standIn("stand-in");
        QTest::newRow("model missing") << QByteArray() << QByteArray() << QStringLiteral("model is missing");
        QTest::newRow("model replaced") << QByteArray() << standIn << QStringLiteral("model has been altered");
        QTest::newRow("model altered") << QByteArray() << altered << QStringLiteral("model has been altered");
        QTest::newRow("engine fails") << QByteArray("#!/bin/sh\necho 'out of luck' >&2\nexit 3\n") << standIn
                                      << QStringLiteral("out of luck");
        QTest::newRow("engine dies silently") << QByteArray("#!/bin/sh\nkill -9 $$\n") << standIn << QStringLiteral("exit code");
        QTest::newRow("malformed output") << QByteArray("#!/bin/sh\necho 'orientation 1'; echo '10 20 thirty 40'\n") << standIn << QStringLiteral("malformed");
        QTest::newRow("negative value") << QByteArray("#!/bin/sh\necho 'orientation 1'; echo '-10 20 30 40'\n") << standIn << QStringLiteral("malformed");
        QTest::newRow("no orientation") << QByteArray("#!/bin/sh\necho '10 20 30 40'\n") << standIn << QStringLiteral("did not say how it turned");
        QTest::newRow("orientation out of range") << QByteArray("#!/bin/sh\necho 'orientation 9'\n") << standIn << QStringLiteral("did not say how it turned");
    }
    void brokenInstallationsThrow()
    {
        QFETCH(QByteArray, engine);
        QFETCH(QByteArray, model);
        QFETCH(QString, message);
        const QString library = MakeInstallation(QString::fromLatin1(QTest::currentDataTag()), engine, model);
        const ScanResult result = Scan(faceImage_, library);
        QVERIFY2(result.error.contains(message), qPrintable(result.error));
    }

    // The library orders by x, then y, whatever order the engine prints in.
    void ordersLeftToRightThenTopToBottom()
    {
        const QString library = MakeInstallation(QStringLiteral("unordered"),
                                                 "#!/bin/sh\nprintf 'orientation 1\\n50 80 9 9\\n50 20 8 8\\n10 90 7 7\\n'\n", "stand-in");
        const ScanResult result = Scan(faceImage_, library);
        QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
        QCOMPARE(result.faces, QList<QRect>({QRect(10, 90, 7, 7), QRect(50, 20, 8, 8), QRect(50, 80, 9, 9)}));
    }

    // A faces file named in the environment (a review) stands for the search: its boxes come
    // back in the library's order and the engine is not run; a bad file is an error, never "no faces".
    void reviewedFacesFile_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: no such file
        QTest::addColumn<QList<QRect>>("faces");
        QTest::addColumn<QString>("message");
        QTest::newRow("boxes, turned") << QByteArray("orientation 6\n50 80 9 9\n10 90 7 7\n") << QList<QRect>{{10, 90, 7, 7}, {50, 80, 9, 9}} << QString();
        QTest::newRow("every face dropped") << QByteArray("orientation 1\n") << QList<QRect>() << QString();
        QTest::newRow("malformed") << QByteArray("orientation 1\n10 20 thirty 40\n") << QList<QRect>() << QStringLiteral("malformed");
        QTest::newRow("no orientation") << QByteArray("10 20 30 40\n") << QList<QRect>() << QStringLiteral("did not say how it turned");
        QTest::newRow("missing") << QByteArray() << QList<QRect>() << QStringLiteral("cannot read the reviewed faces file");
    }
    void reviewedFacesFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(QList<QRect>, faces);
        QFETCH(QString, message);
        const QString library = MakeInstallation(QStringLiteral("reviewed"), "#!/bin/sh\necho 'the engine ran' >&2\nexit 3\n", "stand-in");
        const QString facesFile = work_.filePath(QStringLiteral("reviewed-%1.faces").arg(QTest::currentDataTag()));
        if (!content.isNull()) {
            QFile file(facesFile);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        const ScanResult result = Scan(faceImage_, library, facesFile);
        if (message.isEmpty()) {
            QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
            QCOMPARE(result.faces, faces);
            QCOMPARE(result.json.value(QStringLiteral("orientation")).toInt(), content.startsWith("orientation 6") ? 6 : 1);
        } else {
            QVERIFY2(result.error.contains(message), qPrintable(result.error));
        }
    }

    void unusualPathsWork_data()
    {
        QTest::addColumn<QString>("relativePath");
        QTest::newRow("blanks") << QStringLiteral("my photos/group photo.jpg");
        QTest::newRow("apostrophe") << QStringLiteral("Anne's/it's me.jpg");
        QTest::newRow("dollar signs") << QStringLiteral("$HOME/$(echo x) ${PATH}.jpg");
        QTest::newRow("non-ASCII letters") << QStringLiteral("Fotoğraflar/Grüße 顔.jpg");
        QTest::newRow("leading dash") << QStringLiteral("-x/--model.jpg");
    }
    void unusualPathsWork()
    {
        QFETCH(QString, relativePath);
        const QString path = work_.filePath(relativePath);
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QVERIFY(QFile::copy(faceImage_, path));
        const ScanResult result = Scan(path);
        QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
        QCOMPARE(result.faces.size(), 3);
    }

    // A photo stored turned, with the orientation tag that says so, is searched upright: the
    // boxes are those of the upright picture, as photo viewers show it, and the library tells the
    // caller the turn, so that a script turns its own decoded picture alike.
    void searchesTaggedPhotosUpright_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("orientation");
        for (const char *format : {"JPEG", "TIFF"})
            for (int orientation = 1; orientation <= 8; ++orientation)
                QTest::addRow("%s %d", format, orientation) << QString::fromLatin1(format) << orientation;
    }
    void searchesTaggedPhotosUpright()
    {
        QFETCH(QString, format);
        QFETCH(int, orientation);
        const QImage stored = StoredForOrientation(QImage(fixtures_ + QStringLiteral("/face.png")), orientation);
        const bool jpeg = format == QLatin1String("JPEG");
        const QString problem = FindsThePngFaces(jpeg ? QStringLiteral("turned.jpg") : QStringLiteral("turned.tif"),
                                                 jpeg ? JpegWithExif(stored, OrientationDirectory(3, quint32(orientation)))
                                                      : TiffWithOrientation(stored, orientation));
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        const ScanResult result = Scan(work_.filePath(jpeg ? QStringLiteral("turned.jpg") : QStringLiteral("turned.tif")));
        QCOMPARE(result.json.value(QStringLiteral("orientation")).toInt(), orientation);
    }

    // A tag the picture cannot be turned by is no reason to refuse it: it is searched as stored.
    void brokenOrientationTagsMeanUpright_data()
    {
        QTest::addColumn<QByteArray>("exif");
        QTest::newRow("value 0") << OrientationDirectory(3, 0);
        QTest::newRow("value 9") << OrientationDirectory(3, 9);
        QTest::newRow("value 65535") << OrientationDirectory(3, 65535);
        QTest::newRow("text instead of a number") << OrientationDirectory(2, 6);
        QTest::newRow("byte instead of a number") << OrientationDirectory(1, 6);
        QTest::newRow("two values") << OrientationDirectory(3, 6, 2);
        QTest::newRow("directory beyond the data") << QByteArray("II*\0\xF0\xFF\xFF\xFF", 8);
        QByteArray cut = OrientationDirectory(3, 6);
        cut[8] = 40; // claims 40 entries, holds one
        QTest::newRow("directory cut short") << cut;
        QTest::newRow("unknown byte order") << QByteArray("XX*\0", 4) + OrientationDirectory(3, 6).mid(4);
        QTest::newRow("empty") << QByteArray();
    }
    void brokenOrientationTagsMeanUpright()
    {
        QFETCH(QByteArray, exif);
        const QString problem =
            FindsThePngFaces(QStringLiteral("broken-tag.jpg"), JpegWithExif(QImage(fixtures_ + QStringLiteral("/face.png")), exif));
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    // Every format decodes to the same pixel grid: the faces come out where the PNG has them.
    void decodesEveryFormat_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("JPEG") << QStringLiteral("face.jpg");
        QTest::newRow("PNG with palette") << QStringLiteral("face-palette.png");
        QTest::newRow("GIF") << QStringLiteral("face.gif");
        QTest::newRow("GIF interlaced") << QStringLiteral("face-interlaced.gif");
        QTest::newRow("GIF frame on a larger screen") << QStringLiteral("face-offset.gif");
        QTest::newRow("BMP") << QStringLiteral("face.bmp");
        QTest::newRow("BMP with palette") << QStringLiteral("face-8bit.bmp");
        QTest::newRow("BMP run-length coded") << QStringLiteral("face-rle8.bmp");
        QTest::newRow("WEBP") << QStringLiteral("face.webp");
        QTest::newRow("TIFF") << QStringLiteral("face.tif");
    }
    void decodesEveryFormat()
    {
        QFETCH(QString, file);
        const QList<QRect> faces = DetectFixture(file);
        QCOMPARE(faces.size(), pngFaces_.size());
        for (int i = 0; i < faces.size(); ++i)
            QVERIFY2(IoU(faces[i], pngFaces_[i]) > 0.85, qPrintable(QStringLiteral("face %1").arg(i)));
    }
};

QTEST_GUILESS_MAIN(TestFaceDetector)
#include "tst_facedetector.moc"
