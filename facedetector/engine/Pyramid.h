#pragma once
#include <vector>

namespace facedetect {

// How a picture is cut into model inputs. Sizes "in model" are in model input pixels.
struct PyramidOptions {
    double minFace = 20;           // smallest face wanted, in picture pixels
    double minFaceInModel = 14;    // size the smallest face gets at the finest level
    double coarsestExtent = 256;   // the coarsest level fits the longer side into this many pixels
    double maxLevelRatio = 3;      // neighbouring levels are at most this factor apart
    // The model places and scores large faces less well (and mistakes animal heads for faces
    // more often), so a level leaves boxes above this size to the next coarser level.
    double maxFaceInModel = 64;
    // A face filling most of the picture is too large even for the coarsest level; one more
    // level fits the longer side into this many pixels and answers for such faces only.
    double wholeFaceExtent = 160;
    double maxLevelPixels = 100e6; // the finest level is never larger than this (memory)
};

// One pyramid level: its scale (level pixels per picture pixel) and the box sizes, in model
// pixels, it answers for.
struct LevelPlan {
    double scale = 1;
    double minBox = 0;
    double maxBox = 0;
};

// Levels from finest to coarsest. The finest brings the smallest wanted face to
// minFaceInModel pixels; the coarsest regular level fits the whole picture into one model
// input (a picture too small for the finest level gets that level only); the last level is
// the whole-face level.
std::vector<LevelPlan> PlanLevels(int width, int height, const PyramidOptions &options);

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
