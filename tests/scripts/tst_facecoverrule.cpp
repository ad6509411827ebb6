// The rule by which a face is covered: the area (the box grown, cut at the picture) and the
// block size that grows with the face.
#include "scripts/FaceCoverRule.h"

#include <QTest>

using facecover::Box;
Q_DECLARE_METATYPE(Box)

class TestFaceCoverRule : public QObject {
    Q_OBJECT

private slots:
    void coverArea_data()
    {
        QTest::addColumn<Box>("face");
        QTest::addColumn<Box>("area");
        const int m = facecover::CoverMarginPercent;
        // A 100 x 200 box grows by m % of 100 on the left and right and m % of 200 above and below.
        QTest::newRow("inside") << Box{300, 300, 100, 200} << Box{300 - m, 300 - 2 * m, 100 + 2 * m, 200 + 4 * m};
        QTest::newRow("at the top-left corner") << Box{0, 0, 100, 200} << Box{0, 0, 100 + m, 200 + 2 * m};
        QTest::newRow("past the bottom-right corner") << Box{950, 700, 100, 200} << Box{950 - m, 700 - 2 * m, 50 + m, 100 + 2 * m};
        QTest::newRow("half a margin rounds up") << Box{100, 100, 2, 2} << Box{100 - (2 * m + 50) / 100, 100 - (2 * m + 50) / 100, 2 + 2 * ((2 * m + 50) / 100), 2 + 2 * ((2 * m + 50) / 100)};
        QTest::newRow("wholly outside") << Box{1000 + 2 * m, 10, 100, 100} << Box{};
        QTest::newRow("empty box") << Box{10, 10, 0, 50} << Box{};
        QTest::newRow("huge values do not overflow") << Box{2000000000, 2000000000, 2000000000, 2000000000} << Box{};
    }
    void coverArea()
    {
        QFETCH(Box, face);
        QFETCH(Box, area);
        const Box got = facecover::CoverArea(face, 1000, 800);
        QVERIFY2(got == area, qPrintable(QStringLiteral("%1 %2 %3 %4").arg(got.x).arg(got.y).arg(got.width).arg(got.height)));
    }

    void blockSize_data()
    {
        QTest::addColumn<Box>("face");
        QTest::addColumn<int>("block");
        const int n = facecover::CoverBlocksAcross;
        const int smallest = facecover::CoverSmallestBlock;
        QTest::newRow("tiny face") << Box{0, 0, 12, 12} << smallest;
        QTest::newRow("largest face with the smallest block") << Box{0, 0, n * smallest, 10} << smallest;
        QTest::newRow("one pixel more") << Box{0, 0, 10, n * smallest + 1} << smallest + 1;
        QTest::newRow("large face, by its longer side") << Box{0, 0, n * 50 - 20, n * 50} << 50;
    }
    void blockSize()
    {
        QFETCH(Box, face);
        QFETCH(int, block);
        QCOMPARE(facecover::CoverBlockSize(face), block);
    }

    void softeningGrowsWithTheBlock()
    {
        const double small = facecover::CoverSofteningSigma(facecover::CoverSmallestBlock);
        QVERIFY(small > 1.0 && small < 2.0); // GD's five 3 x 3 passes
        QCOMPARE(facecover::CoverSofteningSigma(facecover::CoverSofteningBlock), small);
        QCOMPARE(facecover::CoverSofteningSigma(4 * facecover::CoverSofteningBlock), 4 * small);
    }
};

QTEST_GUILESS_MAIN(TestFaceCoverRule)
#include "tst_facecoverrule.moc"
