// Joining the candidates of one face in process: the tiles, levels and anchors that see a face
// each report it, and the engine must answer with one box per face, neither more nor fewer.
#include "facedetector/engine/detection/BoxMerge.h"

#include <QTest>

using namespace facedetect;

Q_DECLARE_METATYPE(std::vector<Detection>)

namespace {

Detection Box(float x, float y, float width, float height, float score)
{
    return {x, y, width, height, score};
}

QString Text(const std::vector<Detection> &boxes)
{
    QStringList parts;
    for (const Detection &b : boxes)
        parts << QStringLiteral("(%1 %2 %3 %4 %5)").arg(b.x).arg(b.y).arg(b.width).arg(b.height).arg(b.score);
    return parts.join(QLatin1Char(' '));
}

bool Same(const std::vector<Detection> &a, const std::vector<Detection> &b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        for (const auto &[x, y] : {std::pair(a[i].x, b[i].x), std::pair(a[i].y, b[i].y), std::pair(a[i].width, b[i].width),
                                  std::pair(a[i].height, b[i].height), std::pair(a[i].score, b[i].score)})
            if (std::abs(x - y) > 1e-4f)
                return false;
    return true;
}

} // namespace

class TestBoxMerge : public QObject {
    Q_OBJECT

private slots:
    void blendOverlapping_data()
    {
        QTest::addColumn<std::vector<Detection>>("candidates");
        QTest::addColumn<std::vector<Detection>>("expected");
        QTest::newRow("none") << std::vector<Detection>{} << std::vector<Detection>{};
        // Weights 3 and 1: the joined box lies three quarters of the way to the stronger one.
        QTest::newRow("one face seen twice: score-weighted mean, strongest score")
            << std::vector<Detection>{Box(4, 0, 100, 100, 0.3f), Box(0, 0, 100, 100, 0.9f)}
            << std::vector<Detection>{Box(1, 0, 100, 100, 0.9f)};
        QTest::newRow("two faces apart: strongest first")
            << std::vector<Detection>{Box(0, 0, 50, 50, 0.5f), Box(200, 0, 50, 50, 0.8f)}
            << std::vector<Detection>{Box(200, 0, 50, 50, 0.8f), Box(0, 0, 50, 50, 0.5f)};
        // IoU of (0,0,100,100) and (50,0,100,100) is 1/3, above the threshold of 0.3.
        QTest::newRow("overlap above the threshold joins")
            << std::vector<Detection>{Box(0, 0, 100, 100, 0.5f), Box(50, 0, 100, 100, 0.5f)}
            << std::vector<Detection>{Box(25, 0, 100, 100, 0.5f)};
        QTest::newRow("touching faces stay apart")
            << std::vector<Detection>{Box(0, 0, 100, 100, 0.6f), Box(100, 0, 100, 100, 0.5f)}
            << std::vector<Detection>{Box(0, 0, 100, 100, 0.6f), Box(100, 0, 100, 100, 0.5f)};
        // Each candidate joins the strongest box it overlaps, not a chain through its neighbours.
        QTest::newRow("a row of overlapping candidates is not chained into one")
            << std::vector<Detection>{Box(0, 0, 100, 100, 0.9f), Box(40, 0, 100, 100, 0.8f), Box(80, 0, 100, 100, 0.7f)}
            << std::vector<Detection>{Box(32.0f / 1.7f, 0, 100, 100, 0.9f), Box(80, 0, 100, 100, 0.7f)};
    }
    void blendOverlapping()
    {
        QFETCH(std::vector<Detection>, candidates);
        QFETCH(std::vector<Detection>, expected);
        const std::vector<Detection> blended = BlendOverlapping(candidates, 0.3f);
        QVERIFY2(Same(blended, expected), qPrintable(Text(blended) + QStringLiteral(" instead of ") + Text(expected)));
    }

    void dropNested_data()
    {
        QTest::addColumn<std::vector<Detection>>("boxes");
        QTest::addColumn<std::vector<Detection>>("expected");
        const Detection face = Box(0, 0, 100, 100, 0.9f);
        QTest::newRow("an eye inside a stronger face goes")
            << std::vector<Detection>{face, Box(20, 20, 30, 30, 0.6f)} << std::vector<Detection>{face};
        QTest::newRow("a weaker large box does not swallow a stronger small one")
            << std::vector<Detection>{Box(0, 0, 100, 100, 0.5f), Box(20, 20, 30, 30, 0.6f)}
            << std::vector<Detection>{Box(0, 0, 100, 100, 0.5f), Box(20, 20, 30, 30, 0.6f)};
        QTest::newRow("a box of nearly the same size stays")
            << std::vector<Detection>{face, Box(5, 5, 90, 90, 0.6f)} << std::vector<Detection>{face, Box(5, 5, 90, 90, 0.6f)};
        QTest::newRow("a face only half inside stays")
            << std::vector<Detection>{face, Box(80, 20, 40, 40, 0.6f)} << std::vector<Detection>{face, Box(80, 20, 40, 40, 0.6f)};
    }
    void dropNested()
    {
        QFETCH(std::vector<Detection>, boxes);
        QFETCH(std::vector<Detection>, expected);
        const std::vector<Detection> kept = DropNested(boxes, 0.6f, 1.3f);
        QVERIFY2(Same(kept, expected), qPrintable(Text(kept) + QStringLiteral(" instead of ") + Text(expected)));
    }

    void scaleAboutCentreKeepsTheCentre()
    {
        const Detection grown = ScaleAboutCentre(Box(10, 20, 100, 50, 0.7f), 1.1f);
        QVERIFY(Same({grown}, {Box(5, 17.5f, 110, 55, 0.7f)}));
    }
};

QTEST_APPLESS_MAIN(TestBoxMerge)
#include "tst_boxmerge.moc"
