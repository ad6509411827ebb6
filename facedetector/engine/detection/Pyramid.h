#pragma once
#include <vector>

namespace facedetect {

// How a picture is searched: an image pyramid, each level cut into overlapping tiles. Sizes
// "in model" are in pixels of the level the model runs on.
struct PyramidOptions {
    double minFace = 12;          // smallest face wanted, in picture pixels
    double minFaceInModel = 12;   // size the smallest face gets at the finest level
    double maxFinestScale = 2;    // the finest level enlarges the picture at most this much
    double levelRatio = 3;        // neighbouring levels are this factor apart
    // A level answers for boxes up to this size; larger faces are left to coarser levels, where
    // the model sees them whole and small tiles suffice. Each level also answers for a little
    // below the previous level's limit, so that no face size falls between two levels.
    double maxFaceInModel = 72;
    double levelSizeOverlap = 0.75;
    // The coarsest level fits the picture's longer side into this many pixels and answers for
    // every larger face, up to one filling the whole frame.
    double coarsestExtent = 320;
    double maxLevelPixels = 100e6; // the finest level is never larger than this (memory)
    // Tiles: at most this many pixels a side, neighbours sharing enough for the largest face a
    // level answers for, so that each such face lies whole inside one tile.
    int tileSize = 1024;
    double tileOverlapFaces = 1.4; // overlap in units of maxFaceInModel
};

// One pyramid level: its scale (level pixels per picture pixel) and the box sizes, in model
// pixels, it answers for.
struct LevelPlan {
    double scale = 1;
    double minBox = 0;
    double maxBox = 0;
};

// Levels from finest to coarsest. The finest brings the smallest wanted face to
// minFaceInModel pixels; the coarsest fits the whole picture into coarsestExtent (a picture
// too small for more than one level gets the finest level only, answering for every size).
std::vector<LevelPlan> PlanLevels(int width, int height, const PyramidOptions &options);

// A rectangle of a level given to the model; an inner edge is one that does not lie on the
// level's border, so a face cut by it is seen whole by a neighbouring tile.
struct Tile {
    int x = 0, y = 0, width = 0, height = 0;
    bool innerLeft = false, innerTop = false, innerRight = false, innerBottom = false;
};

// Tiles of at most maxTile pixels a side covering a level, neighbours sharing at least overlap
// pixels, all of about the same size.
std::vector<Tile> PlanTiles(int levelWidth, int levelHeight, int maxTile, int overlap);

// Frame after frame of a video, the pyramid may be searched in turns: every level once every
// longestPeriod frames (rounded down to a power of two), the coarsest, which answers for the
// faces that fill much of the frame and costs little, twice as often.
// A level of several tiles spreads them over its frames, and the phases are chosen so that the
// frames of a cycle carry about the same number of pixels. A face the finer levels answer for
// is then seen in one frame of every period; the caller carries it over the frames between.
struct Turn {
    unsigned period = 1; // searched in the frames whose number modulo period ...
    unsigned phase = 0;  // ... is phase
};

// Turns of work items, given each one's level (0 the finest) and pixel count.
std::vector<Turn> PlanTurns(const std::vector<int> &itemLevels, const std::vector<double> &itemPixels, int levelCount,
                            unsigned longestPeriod);

} // namespace facedetect
