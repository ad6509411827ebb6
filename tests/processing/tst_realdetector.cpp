// The actions with the real face detection library beside the application: real photos in,
// the faces found where they are, and no output for an image whose faces could not be sought.
#include "ImageFixtures.h"

#include "processing/ActionRun.h"
#include "tests/support/OrientedPictures.h"
#include "tests/support/WindowRun.h"

#include <QDir>
#include <QImage>
#include <QRect>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString RealLibrary = QStringLiteral(MIRELON_BINARY_DIR "/FaceDetector.php");
const QString Photo = QStringLiteral(MIRELON_SHARED_DIR "/faces/2008_001009.jpg"); // two faces
const QList<QRect> PhotoFaces = {QRect(145, 79, 76, 76), QRect(125, 214, 90, 91)};

double overlap(const QRect &a, const QRect &b)
{
    const QRect common = a.intersected(b);
    const double shared = double(common.width()) * common.height();
    return shared / (double(a.width()) * a.height() + double(b.width()) * b.height() - shared);
}

void runAction(Action action, const QStringList &entries, const QString &destination, const QString &settingsDir)
{
    QDir().mkpath(destination); // "Convert" creates it before the run
    ActionRunValues values{BuildPhpDir(), RealLibrary, settingsDir, QStringLiteral("PNG")};
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
} // namespace

class TestRealDetector : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        if (!QFile::exists(Photo))
            QSKIP("the shared face pictures are not beside the project");
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
