// How the engine searches a picture, in process: the levels of the image pyramid and the tiles
// each level is cut into. A face size that no level answers for, or a face that no tile holds
// whole, would be a face never found.
#include "facedetector/engine/detection/Pyramid.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <utility>

using namespace facedetect;

namespace {

// The spans of the tiles along one axis: distinct (start, length) pairs.
std::vector<std::pair<int, int>> Spans(const std::vector<Tile> &tiles, bool horizontal)
{
    std::set<std::pair<int, int>> spans;
    for (const Tile &tile : tiles)
        spans.insert(horizontal ? std::pair(tile.x, tile.width) : std::pair(tile.y, tile.height));
    return {spans.begin(), spans.end()};
}

} // namespace

class TestEnginePlanning : public QObject {
    Q_OBJECT

private slots:
    void levelsAnswerForEveryFaceSize_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<double>("minFace");
        QTest::newRow("one pixel") << 1 << 1 << 12.0;
        QTest::newRow("thumbnail") << 160 << 120 << 12.0;
        QTest::newRow("500 x 375") << 500 << 375 << 12.0;
        QTest::newRow("500 x 375, large faces only") << 500 << 375 << 200.0;
        QTest::newRow("12 megapixels") << 4000 << 3000 << 12.0;
        QTest::newRow("long thin strip") << 3000 << 24 << 12.0;
        QTest::newRow("250 megapixels") << 16000 << 15000 << 12.0;
    }
    void levelsAnswerForEveryFaceSize()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(double, minFace);
        PyramidOptions options;
        options.minFace = minFace;
        const std::vector<LevelPlan> levels = PlanLevels(width, height, options);
        QVERIFY(!levels.empty());

        // The finest level brings the smallest face to the model's size, within the limits.
        const double finest = std::min({options.minFaceInModel / minFace, options.maxFinestScale,
                                         std::sqrt(options.maxLevelPixels / (double(width) * height))});
        QVERIFY(qFuzzyCompare(levels.front().scale, finest));
        QVERIFY(levels.front().scale * width * levels.front().scale * height <= options.maxLevelPixels * 1.0001);
        QCOMPARE(levels.front().minBox, 0.0);
        QCOMPARE(levels.back().maxBox, std::numeric_limits<double>::max());

        // Coarser and coarser, no step larger than levelRatio, the coarsest fitting the extent.
        const double longer = std::max(width, height);
        if (levels.size() > 1)
            QVERIFY(std::abs(levels.back().scale * longer - options.coarsestExtent) < 1e-6 * options.coarsestExtent);
        else
            QVERIFY(levels.front().scale * longer <= options.coarsestExtent * 1.0001);
        for (std::size_t i = 1; i < levels.size(); ++i) {
            QVERIFY(levels[i].scale < levels[i - 1].scale);
            QVERIFY(levels[i - 1].scale / levels[i].scale <= options.levelRatio * 1.0001);
            // In picture pixels, each level starts below where the finer one stops: no gap.
            const double finerStops = levels[i - 1].maxBox / levels[i - 1].scale;
            const double starts = levels[i].minBox / levels[i].scale;
            QVERIFY2(starts < finerStops, qPrintable(QStringLiteral("level %1 starts at %2, level %3 stops at %4")
                                                         .arg(i).arg(starts).arg(i - 1).arg(finerStops)));
            QVERIFY(levels[i].minBox < levels[i].maxBox);
        }
    }

    void tilesCoverTheLevelWithEnoughOverlap_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("maxTile");
        QTest::addColumn<int>("overlap");
        QTest::newRow("smaller than a tile") << 500 << 375 << 1024 << 101;
        QTest::newRow("exactly one tile") << 1024 << 1024 << 1024 << 101;
        QTest::newRow("one pixel more than a tile") << 1025 << 300 << 1024 << 101;
        QTest::newRow("12 megapixels at 2x") << 8000 << 6000 << 1024 << 101;
        QTest::newRow("long thin strip") << 6000 << 48 << 1024 << 101;
        QTest::newRow("overlap past half a tile") << 3000 << 3000 << 200 << 150;
        QTest::newRow("no overlap") << 2500 << 10 << 1000 << 0;
        QTest::newRow("one pixel") << 1 << 1 << 1024 << 101;
    }
    void tilesCoverTheLevelWithEnoughOverlap()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, maxTile);
        QFETCH(int, overlap);
        const std::vector<Tile> tiles = PlanTiles(width, height, maxTile, overlap);
        const int usedOverlap = std::clamp(overlap, 0, maxTile / 2);
        for (const bool horizontal : {true, false}) {
            const int length = horizontal ? width : height;
            const std::vector<std::pair<int, int>> spans = Spans(tiles, horizontal);
            QCOMPARE(spans.front().first, 0);
            QCOMPARE(spans.back().first + spans.back().second, length);
            for (std::size_t i = 0; i < spans.size(); ++i) {
                QVERIFY(spans[i].second <= maxTile);
                QVERIFY(std::abs(spans[i].second - spans.front().second) <= 1); // about the same size
                if (i > 0) // neighbours share enough that a face of the overlap lies whole in one
                    QVERIFY(spans[i - 1].first + spans[i - 1].second - spans[i].first >= usedOverlap);
            }
        }
        QCOMPARE(tiles.size(), Spans(tiles, true).size() * Spans(tiles, false).size());
        for (const Tile &tile : tiles) {
            QCOMPARE(tile.innerLeft, tile.x > 0);
            QCOMPARE(tile.innerTop, tile.y > 0);
            QCOMPARE(tile.innerRight, tile.x + tile.width < width);
            QCOMPARE(tile.innerBottom, tile.y + tile.height < height);
        }
    }

    // Frame after frame of a video the levels go in turns: the longest period (a power of two)
    // for each level but the coarsest, which gets half; over a cycle no frame carries much more
    // than its share.
    void turnsSpreadTheFinerLevels_data()
    {
        QTest::addColumn<QList<int>>("levels");
        QTest::addColumn<QList<double>>("pixels");
        QTest::addColumn<int>("levelCount");
        QTest::addColumn<int>("longest");
        QTest::addColumn<QList<int>>("periods");
        const QList<int> frame720{0, 0, 1, 2};
        const QList<double> pixels720{5, 5, 2.3, 0.6};
        QTest::newRow("a picture: all at once") << frame720 << pixels720 << 3 << 1 << QList<int>{1, 1, 1, 1};
        QTest::newRow("720p frame") << frame720 << pixels720 << 3 << 4 << QList<int>{4, 4, 4, 2};
        QTest::newRow("longest rounded down") << frame720 << pixels720 << 3 << 3 << QList<int>{2, 2, 2, 1};
        QTest::newRow("two levels") << QList<int>{0, 1} << QList<double>{4, 1} << 2 << 4 << QList<int>{4, 2};
        QTest::newRow("four tiles, four levels") << QList<int>{0, 0, 0, 0, 1, 2, 3} << QList<double>{5, 5, 5, 5, 3, 1, 0.3} << 4 << 4
                                                 << QList<int>{4, 4, 4, 4, 4, 4, 2};
    }
    void turnsSpreadTheFinerLevels()
    {
        QFETCH(QList<int>, levels);
        QFETCH(QList<double>, pixels);
        QFETCH(int, levelCount);
        QFETCH(int, longest);
        QFETCH(QList<int>, periods);
        const std::vector<Turn> turns = PlanTurns({levels.begin(), levels.end()}, {pixels.begin(), pixels.end()}, levelCount, unsigned(longest));
        QCOMPARE(int(turns.size()), levels.size());
        const unsigned cycle = *std::max_element(periods.begin(), periods.end());
        std::vector<double> load(cycle, 0.0);
        double share = 0, largest = 0;
        for (std::size_t i = 0; i < turns.size(); ++i) {
            QCOMPARE(int(turns[i].period), periods[qsizetype(i)]);
            QVERIFY(turns[i].phase < turns[i].period);
            for (unsigned frame = turns[i].phase; frame < cycle; frame += turns[i].period)
                load[frame] += pixels[qsizetype(i)];
            share += pixels[qsizetype(i)] / turns[i].period;
            largest = std::max(largest, pixels[qsizetype(i)]);
        }
        QVERIFY2(*std::max_element(load.begin(), load.end()) <= share + largest, "a frame of the cycle carries far more than its share");
        if (levels.size() > 1 && levels[0] == 0 && levels[1] == 0 && turns[0].period > 1) // the finest level's tiles
            QVERIFY(turns[0].phase != turns[1].phase);
    }
};

QTEST_APPLESS_MAIN(TestEnginePlanning)
#include "tst_engineplanning.moc"
