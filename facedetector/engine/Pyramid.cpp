#include "facedetector/engine/Pyramid.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace facedetect {
namespace {

// Tile origins along one axis, spread evenly from 0 to length - tileSize.
std::vector<int> TileStarts(int length, int tileSize, double overlap)
{
    if (length <= tileSize)
        return {0};
    const double stride = tileSize * (1.0 - overlap);
    const int count = static_cast<int>(std::ceil((length - tileSize) / stride)) + 1;
    std::vector<int> starts;
    for (int i = 0; i < count; ++i)
        starts.push_back(static_cast<int>(std::lround(static_cast<double>(i) * (length - tileSize) / (count - 1))));
    return starts;
}

} // namespace

std::vector<LevelPlan> PlanLevels(int width, int height, const PyramidOptions &options)
{
    const double longer = std::max(width, height);
    const double coarsest = options.coarsestExtent / longer;
    const double finest = std::min(options.minFaceInModel / options.minFace,
                                   std::sqrt(options.maxLevelPixels / (static_cast<double>(width) * height)));
    std::vector<double> scales;
    if (finest <= coarsest) {
        scales.push_back(coarsest);
    } else {
        const int steps = static_cast<int>(std::ceil(std::log(finest / coarsest) / std::log(options.maxLevelRatio) - 1e-9));
        const double ratio = std::pow(finest / coarsest, 1.0 / steps);
        for (int i = 0; i <= steps; ++i)
            scales.push_back(finest / std::pow(ratio, i));
    }

    std::vector<LevelPlan> levels;
    for (std::size_t i = 0; i < scales.size(); ++i)
        levels.push_back({scales[i], 0, i + 1 < scales.size() ? options.maxFaceInModel : options.maxFaceInModel * options.coarsestExtent / options.wholeFaceExtent});
    // Slightly below the coarsest level's limit, so that no face size falls between the two.
    levels.push_back({options.wholeFaceExtent / longer, options.maxFaceInModel * 0.9, std::numeric_limits<double>::max()});
    return levels;
}

std::vector<Tile> PlanTiles(int levelWidth, int levelHeight, int tileSize, double overlap)
{
    const std::vector<int> xs = TileStarts(levelWidth, tileSize, overlap);
    const std::vector<int> ys = TileStarts(levelHeight, tileSize, overlap);
    std::vector<Tile> tiles;
    for (int y : ys)
        for (int x : xs) {
            Tile tile;
            tile.x = x;
            tile.y = y;
            tile.innerLeft = x > 0;
            tile.innerTop = y > 0;
            tile.innerRight = x + tileSize < levelWidth;
            tile.innerBottom = y + tileSize < levelHeight;
            tiles.push_back(tile);
        }
    return tiles;
}

} // namespace facedetect
