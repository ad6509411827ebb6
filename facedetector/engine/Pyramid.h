#pragma once
#include <vector>

namespace facedetect {

// How a picture is cut into model inputs.
struct PyramidOptions {
    double minFace = 20;           // smallest face wanted, in picture pixels
    double minFaceInModel = 16;    // size the smallest face gets at the finest level
    double coarsestExtent = 256;   // the coarsest level fits the longer side into this many pixels
    double maxLevelRatio = 3;      // neighbouring levels are at most this factor apart
};

// Scales (level pixels per picture pixel) from finest to coarsest. The coarsest level fits
// the whole picture into one model input; the finest brings the smallest wanted face to
// minFaceInModel pixels. A picture too small for the finest level gets the coarsest only.
std::vector<double> PlanLevelScales(int width, int height, const PyramidOptions &options);

// A square model input placed on a level; an inner edge is one that does not lie on the
// level's border, so a face cut by it is seen whole by a neighbouring tile or a coarser level.
struct Tile {
    int x = 0, y = 0;
    bool innerLeft = false, innerTop = false, innerRight = false, innerBottom = false;
};

// Tiles of tileSize covering a level, neighbours overlapping by at least the given fraction.
// A level narrower than a tile gets one tile that reaches past it (padded by the caller).
std::vector<Tile> PlanTiles(int levelWidth, int levelHeight, int tileSize, double overlap);

} // namespace facedetect
