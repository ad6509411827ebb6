// The actions with the real face detection library beside the application: real photos in,
// the faces found where they are, and no output for an image whose faces could not be sought.
#include "ImageFixtures.h"

#include "processing/ActionRun.h"

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
    ActionRunWindow window;
    window.entryCount = [&] { return entries.size(); };
    window.entryPath = [&](qsizetype i) { return entries.at(i); };
    window.destination = [&] { return destination; };
    window.setStatus = [](const QString &) {};
    window.processEvents = [] {};
    window.clearOutput = [] {};
    window.appendOutput = [](const QString &) {};
    RunAction(action, values, window);
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
        const QString text = QString::fromUtf8(ReadAll(dir.filePath("export/output.txt")));
        const QRegularExpression line(QStringLiteral("^x: (\\d+), y: (\\d+), width: (\\d+), height: (\\d+)$"),
                                      QRegularExpression::MultilineOption);
        QList<QRect> found;
        for (auto match = line.globalMatch(text); match.hasNext();) {
            const auto m = match.next();
            found << QRect(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
        }
        QCOMPARE(found.size(), 2);
        for (const QRect &truth : PhotoFaces)
            QVERIFY2(std::any_of(found.cbegin(), found.cend(), [&](const QRect &r) { return overlap(r, truth) >= 0.4; }),
                     qPrintable(text));
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
