// The actions with the real face detection library beside the application: real photos in,
// the faces found where they are, and no output for an image whose faces could not be sought.
// Blur covers faces so that the engine cannot find them again, in the frame the engine used,
// and no output carries the input's metadata.
#include "ImageFixtures.h"

#include "processing/ActionRun.h"
#include "scripts/FaceCoverRule.h"
#include "tests/support/OrientedPictures.h"
#include "tests/support/WindowRun.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString RealLibrary = QStringLiteral(MIRELON_BINARY_DIR "/FaceDetector.php");
// Face photos kept with the tests (faces/README.md).
const QString TwoFaces = QStringLiteral(MIRELON_SOURCE_DIR "/tests/processing/faces/2008_001009.jpg");
const QString Photo = TwoFaces;
const QList<QRect> PhotoFaces = {QRect(145, 79, 76, 76), QRect(125, 214, 90, 91)};
const QString LargeFace = QStringLiteral(MIRELON_SOURCE_DIR "/tests/processing/faces/large-face.jpg");
const QString Engine = QStringLiteral(MIRELON_BINARY_DIR "/mirelon-facedetect");

double overlap(const QRect &a, const QRect &b)
{
    const QRect common = a.intersected(b);
    const double shared = double(common.width()) * common.height();
    return shared / (double(a.width()) * a.height() + double(b.width()) * b.height() - shared);
}

void runAction(Action action, const QStringList &entries, const QString &destination, const QString &settingsDir,
               const QString &format = QStringLiteral("PNG"))
{
    QDir().mkpath(destination); // "Convert" creates it before the run
    ActionRunValues values{BuildPhpDir(), RealLibrary, settingsDir, format};
    RunAsWindow(action, values, entries, [&] { return destination; });
}

QList<QRect> readExport(const QString &path)
{
    const QString text = QString::fromUtf8(ReadAll(path));
    const QRegularExpression line(QStringLiteral("^x: (\\d+), y: (\\d+), width: (\\d+), height: (\\d+)$"),
                                  QRegularExpression::MultilineOption);
    QList<QRect> found;
    for (auto match = line.globalMatch(text); match.hasNext();) {
        const auto m = match.next();
        found << QRect(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
    }
    return found;
}

bool matchesEveryFace(const QList<QRect> &found)
{
    return found.size() == PhotoFaces.size() && std::all_of(PhotoFaces.cbegin(), PhotoFaces.cend(), [&](const QRect &truth) {
               return std::any_of(found.cbegin(), found.cend(), [&](const QRect &r) { return overlap(r, truth) >= 0.4; });
           });
}

// Mean colour distance between two images over a square patch.
double patchDifference(const QImage &a, const QImage &b, const QRect &patch)
{
    double sum = 0;
    for (int y = patch.top(); y <= patch.bottom(); ++y)
        for (int x = patch.left(); x <= patch.right(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * patch.width() * patch.height());
}
// What the engine says of a picture: the orientation it turned it by, and the faces.
struct EngineAnswer {
    int orientation = 0;
    QList<QRect> faces;
};

EngineAnswer askEngine(const QString &picture, int minFace = 12)
{
    QProcess engine;
    engine.start(Engine, {QStringLiteral("--orientation"), QStringLiteral("--min-face"), QString::number(minFace),
                          QStringLiteral("--"), picture});
    engine.waitForFinished(120000);
    EngineAnswer answer;
    const QStringList lines = QString::fromLatin1(engine.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (engine.exitCode() != 0 || lines.isEmpty() || !lines.first().startsWith(QLatin1String("orientation ")))
        return answer;
    answer.orientation = lines.first().mid(12).toInt();
    for (const QString &line : lines.mid(1)) {
        const QStringList n = line.split(QLatin1Char(' '));
        answer.faces << QRect(n.value(0).toInt(), n.value(1).toInt(), n.value(2).toInt(), n.value(3).toInt());
    }
    return answer;
}

QRect coverArea(const QRect &face, const QSize &picture)
{
    const facecover::Box area = facecover::CoverArea({face.x(), face.y(), face.width(), face.height()}, picture.width(), picture.height());
    return QRect(area.x, area.y, area.width, area.height);
}
} // namespace

class TestRealDetector : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        QVERIFY(QFile::exists(RealLibrary));
    }

    void exportFindsBothFaces()
    {
        runAction(Action::ExportFacePositions, {Photo}, dir.filePath("export"), dir.path() + "/");
        QVERIFY2(matchesEveryFace(readExport(dir.filePath("export/output.txt"))), ReadAll(dir.filePath("export/output.txt")).constData());
    }

    // A photo stored turned, tagged with the orientation that shows it upright: the positions
    // are those of the upright photo, and Mark writes the upright photo with the rectangles on
    // the faces. A broken tag leaves the photo as stored, in the library and the script alike.
    void turnedPhotosComeOutUpright_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QByteArray>("exif");
        for (int orientation = 1; orientation <= 8; ++orientation)
            QTest::addRow("orientation %d", orientation) << orientation << OrientationDirectory(3, quint32(orientation));
        QTest::newRow("out of range") << 1 << OrientationDirectory(3, 9);
        QTest::newRow("byte-sized") << 1 << OrientationDirectory(1, 6);
    }
    void turnedPhotosComeOutUpright()
    {
        QFETCH(int, orientation);
        QFETCH(QByteArray, exif);
        const QImage upright(Photo);
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'));
        const QString input = dir.filePath(tag + QStringLiteral(".jpg"));
        QVERIFY(WriteAll(input, JpegWithExif(StoredForOrientation(upright, orientation), exif)));

        const QString out = dir.filePath(QStringLiteral("turned-") + tag);
        runAction(Action::ExportFacePositions, {input}, out, dir.path() + "/");
        const QList<QRect> found = readExport(out + QStringLiteral("/output.txt"));
        QVERIFY2(matchesEveryFace(found), ReadAll(out + QStringLiteral("/output.txt")).constData());

        runAction(Action::MarkFacesInImage, {input}, out, dir.path() + "/");
        const QImage marked(out + QStringLiteral("/output.png"));
        QCOMPARE(marked.size(), upright.size());
        for (const QRect &box : found)
            QCOMPARE(marked.pixel(box.x() + box.width() / 2, box.y()), qRgb(255, 0, 0));
        for (const QRect &patch : {QRect(5, 5, 40, 40), QRect(300, 420, 40, 40), QRect(5, 420, 40, 40)})
            QVERIFY2(patchDifference(marked, upright, patch) < 8, qPrintable(QStringLiteral("patch at %1,%2").arg(patch.x()).arg(patch.y())));
    }

    void blurHidesTheFaces()
    {
        runAction(Action::BlurFacesInImage, {Photo}, dir.filePath("blur"), dir.path() + "/");
        const QImage before(Photo);
        const QImage after(dir.filePath("blur/output.png"));
        QCOMPARE(after.size(), before.size());
        // Detail inside each face is gone: the mosaic makes neighbouring pixels much alike.
        auto roughness = [](const QImage &image, const QRect &area) {
            double sum = 0;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x < area.right(); ++x)
                    sum += std::abs(qGray(image.pixel(x, y)) - qGray(image.pixel(x + 1, y)));
            return sum / (area.width() * area.height());
        };
        for (const QRect &face : PhotoFaces) {
            const QRect inner = face.adjusted(10, 10, -10, -10);
            QVERIFY2(roughness(after, inner) < 0.6 * roughness(before, inner),
                     qPrintable(QStringLiteral("%1 -> %2").arg(roughness(before, inner)).arg(roughness(after, inner))));
        }
    }

    // A large face: covered beyond its box so thoroughly that the engine no longer finds it;
    // every pixel outside the grown box is as it was.
    void blurCoversALargeFace()
    {
        const QString input = dir.filePath("large-face.png"); // PNG: the script decodes exactly these pixels
        const QImage before(LargeFace);
        QVERIFY(before.convertToFormat(QImage::Format_RGB32).save(input));
        const QList<QRect> faces = askEngine(input).faces;
        QCOMPARE(faces.size(), 1);
        QVERIFY(faces.first().height() > 300);

        runAction(Action::BlurFacesInImage, {input}, dir.filePath("large"), dir.path() + "/");
        const QImage after(dir.filePath("large/output.png"));
        QCOMPARE(after.size(), before.size());
        const EngineAnswer again = askEngine(dir.filePath("large/output.png"));
        QVERIFY2(again.faces.isEmpty(), qPrintable(QStringLiteral("%1 faces found again").arg(again.faces.size())));

        const QRect area = coverArea(faces.first(), before.size());
        QVERIFY(area.contains(faces.first()) && area.height() > faces.first().height() * 1.3);
        int changedInside = 0;
        for (int y = 0; y < before.height(); ++y)
            for (int x = 0; x < before.width(); ++x) {
                const bool same = before.pixel(x, y) == after.pixel(x, y);
                if (!area.contains(x, y))
                    QVERIFY2(same, qPrintable(QStringLiteral("pixel %1,%2 outside the covered area changed").arg(x).arg(y)));
                else
                    changedInside += same ? 0 : 1;
            }
        QVERIFY(changedInside > area.width() * area.height() * 0.8);
    }

    // Small faces get the smallest blocks, as they always did: the mosaic's edges, softened as
    // they are, still fall every CoverSmallestBlock pixels from the covered area's corner.
    void blurKeepsSmallBlocksForSmallFaces()
    {
        const QString input = dir.filePath("small-faces.png");
        const QImage photo = QImage(TwoFaces).scaled(80, 60, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_RGB32);
        QVERIFY(photo.save(input));
        const QList<QRect> faces = askEngine(input).faces;
        QVERIFY(!faces.isEmpty());
        runAction(Action::BlurFacesInImage, {input}, dir.filePath("small"), dir.path() + "/");
        const QImage after(dir.filePath("small/output.png"));
        // Faces are covered in the library's order, left to right: the last one's mosaic is whole.
        const QRect face = faces.last();
        QCOMPARE(facecover::CoverBlockSize({face.x(), face.y(), face.width(), face.height()}), facecover::CoverSmallestBlock);
        const QRect area = coverArea(face, photo.size());
        // Sum of the steps between neighbouring pixels, by the column's place in its block.
        QList<double> steps(facecover::CoverSmallestBlock, 0.0);
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left() + 1; x <= area.right(); ++x)
                steps[(x - area.left()) % facecover::CoverSmallestBlock] += std::abs(qGray(after.pixel(x, y)) - qGray(after.pixel(x - 1, y)));
        const auto largest = std::max_element(steps.cbegin(), steps.cend());
        QVERIFY2(largest == steps.cbegin(), qPrintable(QStringLiteral("largest steps at column %1 of each block").arg(largest - steps.cbegin())));
    }

    // Photos stored turned with all kinds of orientation tags, also tags that programs read in
    // different ways: only the engine reads the tag, and the script turns the picture as the
    // engine did, so the faces are covered wherever the engine found them and the output is the
    // picture the engine searched.
    void blurCoversTurnedPhotos_data()
    {
        QTest::addColumn<int>("storedAs");
        QTest::addColumn<QByteArray>("segments");
        for (int orientation = 1; orientation <= 8; ++orientation)
            QTest::addRow("orientation %d", orientation) << orientation << ExifSegment(OrientationDirectory(3, quint32(orientation)));
        const ExifEntry upright{0x0112, 3, 1, 1};
        const ExifEntry turned{0x0112, 3, 1, 6};
        QTest::newRow("two orientation entries, 1 then 6") << 6 << ExifSegment(ExifDirectory({upright, turned}));
        QTest::newRow("1 in the first directory, 6 in the Exif directory") << 6 << ExifSegment(ExifDirectory({upright}, {turned}));
        QTest::newRow("a broken Exif segment, then a good one")
            << 6 << ExifSegment(QByteArray("MM\0*\xFF\xFF\xFF\xFF", 8)) + ExifSegment(OrientationDirectory(3, 6));
        QTest::newRow("orientation 6 and a tag pointing outside the segment")
            << 6 << ExifSegment(ExifDirectory({{0x010F, 2, 64, 0xFFFFFF00u}, turned}));
        QTest::newRow("a restart marker before the Exif segment") << 6 << QByteArray("\xFF\xD0", 2) + ExifSegment(OrientationDirectory(3, 6));
    }
    void blurCoversTurnedPhotos()
    {
        QFETCH(int, storedAs);
        QFETCH(QByteArray, segments);
        const QImage upright(TwoFaces);
        const QImage stored = StoredForOrientation(upright, storedAs);
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'));
        const QString input = dir.filePath(tag + QStringLiteral(".jpg"));
        QVERIFY(WriteAll(input, JpegWithSegments(stored, segments)));

        const EngineAnswer read = askEngine(input);
        QVERIFY2(read.orientation == 1 || read.orientation == storedAs, qPrintable(QString::number(read.orientation)));
        const QImage searched = read.orientation == storedAs ? upright : stored; // the picture the engine searched
        const QString out = dir.filePath(QStringLiteral("turned-blur-") + tag);
        runAction(Action::BlurFacesInImage, {input}, out, dir.path() + "/");
        const QImage blurred(out + QStringLiteral("/output.png"));
        QCOMPARE(blurred.size(), searched.size());
        // Upright as the engine read it: away from the faces the output is the searched picture.
        QRegion covered;
        for (const QRect &face : read.faces)
            covered += coverArea(face, searched.size());
        for (const QRect &patch : {QRect(2, 2, 30, 30), QRect(searched.width() - 32, 2, 30, 30), QRect(2, searched.height() - 32, 30, 30),
                                   QRect(searched.width() - 32, searched.height() - 32, 30, 30)})
            if (!covered.intersects(patch))
                QVERIFY2(patchDifference(blurred, searched, patch) < 8, qPrintable(QStringLiteral("patch at %1,%2").arg(patch.x()).arg(patch.y())));
        const EngineAnswer again = askEngine(out + QStringLiteral("/output.png"), 20);
        QVERIFY2(again.faces.isEmpty(), qPrintable(QStringLiteral("%1 faces of 20 pixels or more found again").arg(again.faces.size())));
    }

    // Outputs of every format carry nothing of the input's metadata: no Exif (GPS, camera,
    // owner), XMP, IPTC or comment.
    void outputsCarryNoMetadata_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("format");
        for (const QString &format : {QStringLiteral("JPG"), QStringLiteral("PNG"), QStringLiteral("WEBP"), QStringLiteral("BMP")}) {
            QTest::addRow("Mark %s", qPrintable(format)) << int(Action::MarkFacesInImage) << format;
            QTest::addRow("Blur %s", qPrintable(format)) << int(Action::BlurFacesInImage) << format;
            QTest::addRow("Save Faces %s", qPrintable(format)) << int(Action::SaveFacesAsSeparateImages) << format;
        }
    }
    void outputsCarryNoMetadata()
    {
        QFETCH(int, action);
        QFETCH(QString, format);
        const QString input = dir.filePath("tagged.jpg");
        if (!QFile::exists(input)) {
            QVERIFY(QFile::copy(TwoFaces, input));
            QProcess exiftool;
            exiftool.start(QStringLiteral("exiftool"),
                           {QStringLiteral("-q"), QStringLiteral("-overwrite_original"), QStringLiteral("-GPSLatitude=48.8583"),
                            QStringLiteral("-GPSLatitudeRef=N"), QStringLiteral("-GPSLongitude=2.2944"), QStringLiteral("-GPSLongitudeRef=E"),
                            QStringLiteral("-Make=SecretMake"), QStringLiteral("-Model=SecretModel"), QStringLiteral("-OwnerName=SecretOwner"),
                            QStringLiteral("-Artist=SecretArtist"), QStringLiteral("-DateTimeOriginal=2001:02:03 04:05:06"),
                            QStringLiteral("-XMP-dc:Creator=SecretCreator"), QStringLiteral("-IPTC:By-line=SecretByline"),
                            QStringLiteral("-Comment=SecretComment"), input});
            QVERIFY2(exiftool.waitForFinished(60000) && exiftool.exitCode() == 0, exiftool.readAllStandardError().constData());
        }
        const QString out = dir.filePath(QStringLiteral("meta-") + QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-')));
        runAction(Action(action), {input}, out, dir.path() + "/", format);
        const QStringList outputs = QDir(out).entryList(QDir::Files);
        QVERIFY(!outputs.isEmpty());
        for (const QString &name : outputs) {
            const QByteArray bytes = ReadAll(out + QLatin1Char('/') + name);
            QVERIFY2(!bytes.contains("Secret"), qPrintable(name));
            QProcess exiftool;
            exiftool.start(QStringLiteral("exiftool"), {QStringLiteral("-a"), QStringLiteral("-u"), QStringLiteral("-G1"), QStringLiteral("-s"),
                                                         out + QLatin1Char('/') + name});
            QVERIFY(exiftool.waitForFinished(60000) && exiftool.exitCode() == 0);
            const QString tags = QString::fromUtf8(exiftool.readAllStandardOutput());
            for (const QString &group : {QStringLiteral("[GPS]"), QStringLiteral("[IFD0]"), QStringLiteral("[ExifIFD]"), QStringLiteral("[IFD1]"),
                                         QStringLiteral("[XMP"), QStringLiteral("[IPTC]"), QStringLiteral("[Photoshop]")})
                QVERIFY2(!tags.contains(group), qPrintable(name + QStringLiteral(":\n") + tags));
        }
    }

    void undecodableImageGivesNoOutput()
    {
        const QString broken = dir.filePath("broken.jpg");
        QVERIFY(WriteAll(broken, "not a picture at all"));
        runAction(Action::MarkFacesInImage, {broken, Photo}, dir.filePath("mark"), dir.path() + "/");
        // The broken image leaves its name free: the photo after it takes output.png.
        QVERIFY(QFile::exists(dir.filePath("mark/output.png")));
        QVERIFY(!QFile::exists(dir.filePath("mark/output (2).png")));
    }
};

QTEST_GUILESS_MAIN(TestRealDetector)
#include "tst_realdetector.moc"
