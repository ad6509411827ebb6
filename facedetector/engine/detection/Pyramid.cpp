#include "facedetector/engine/detection/Pyramid.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace facedetect {
namespace {

struct Span {
    int start = 0, length = 0;
};

// Spans along one axis of the given length: as few as fit maxTile with the overlap, all of
// about the same length, spread evenly from 0 to the end.
std::vector<Span> TileSpans(int length, int maxTile, int overlap)
{
    if (length <= maxTile)
        return {{0, length}};
    overlap = std::clamp(overlap, 0, maxTile / 2);
    const int count = (length - overlap + (maxTile - overlap) - 1) / (maxTile - overlap);
    const int spanLength = std::min(length, (length + (count - 1) * overlap + count - 1) / count);
    std::vector<Span> spans;
    for (int i = 0; i < count; ++i) {
        const long long start = static_cast<long long>(i) * (length - spanLength) / (count - 1);
        spans.push_back({static_cast<int>(start), spanLength});
    }
    return spans;
}

} // namespace

std::vector<LevelPlan> PlanLevels(int width, int height, const PyramidOptions &options)
{
    const double longer = std::max(width, height);
    const double coarsest = options.coarsestExtent / longer;
    const double finest = std::min({options.minFaceInModel / options.minFace, options.maxFinestScale,
                                     std::sqrt(options.maxLevelPixels / (static_cast<double>(width) * height))});
    std::vector<double> scales{finest};
    if (finest > coarsest) {
        const int steps = static_cast<int>(std::ceil(std::log(finest / coarsest) / std::log(options.levelRatio) - 1e-9));
        const double ratio = std::pow(finest / coarsest, 1.0 / steps);
        for (int i = 1; i <= steps; ++i)
            scales.push_back(finest / std::pow(ratio, i));
    }

    std::vector<LevelPlan> levels;
    for (std::size_t i = 0; i < scales.size(); ++i) {
        LevelPlan level;
        level.scale = scales[i];
        // What the finer level answers for ends at maxFaceInModel of its pixels.
        level.minBox = i == 0 ? 0 : options.maxFaceInModel * scales[i] / scales[i - 1] * options.levelSizeOverlap;
        level.maxBox = i + 1 < scales.size() ? options.maxFaceInModel : std::numeric_limits<double>::max();
        levels.push_back(level);
    }
    return levels;
}

std::vector<Tile> PlanTiles(int levelWidth, int levelHeight, int maxTile, int overlap)
{
    const std::vector<Span> xs = TileSpans(levelWidth, maxTile, overlap);
    const std::vector<Span> ys = TileSpans(levelHeight, maxTile, overlap);
    std::vector<Tile> tiles;
    for (const Span &y : ys)
        for (const Span &x : xs) {
            Tile tile;
            tile.x = x.start;
            tile.y = y.start;
            tile.width = x.length;
            tile.height = y.length;
            tile.innerLeft = x.start > 0;
            tile.innerTop = y.start > 0;
            tile.innerRight = x.start + x.length < levelWidth;
            tile.innerBottom = y.start + y.length < levelHeight;
            tiles.push_back(tile);
        }
    return tiles;
}

std::vector<Turn> PlanTurns(const std::vector<int> &itemLevels, const std::vector<double> &itemPixels, int levelCount,
                            unsigned longestPeriod)
{
    unsigned cap = 1;
    while (cap * 2 <= longestPeriod && cap < (1u << 16))
        cap *= 2;
    std::vector<Turn> turns(itemLevels.size());
    for (std::size_t i = 0; i < itemLevels.size(); ++i)
        turns[i].period = itemLevels[i] >= levelCount - 1 ? std::max(1u, cap / 2) : cap;
    // Largest items first, each into the phase whose frames carry the least so far.
    std::vector<std::size_t> order(itemLevels.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return itemPixels[a] > itemPixels[b]; });
    std::vector<double> load(cap, 0.0);
    for (const std::size_t i : order) {
        const unsigned period = turns[i].period;
        double best = std::numeric_limits<double>::max();
        for (unsigned phase = 0; phase < period; ++phase) {
            double heaviest = 0;
            for (unsigned frame = phase; frame < cap; frame += period)
                heaviest = std::max(heaviest, load[frame]);
            if (heaviest < best) {
                best = heaviest;
                turns[i].phase = phase;
            }
        }
        for (unsigned frame = turns[i].phase; frame < cap; frame += period)
            load[frame] += itemPixels[i];
    }
    return turns;
}

} // namespace facedetect
