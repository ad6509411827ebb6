#pragma once
#include <vector>

#include <opencv2/core.hpp>

#include "facedetector/engine/detection/NetworkPool.h"
#include "facedetector/engine/detection/Pyramid.h"

namespace facedetect {

// The frames of a video may be searched in turns (see PlanTurns): this call searches frame
// `frame` of the sequence. longestPeriod 1 searches every level whole, as for a picture.
struct SearchTurns {
    unsigned long long frame = 0;
    unsigned longestPeriod = 1;
};

struct FinderOptions {
    PyramidOptions pyramid;
    SearchTurns turns;
    float minScore = 0.45f;          // candidates below this score are ignored
    float blendIoU = 0.3f;           // candidates overlapping more than this are one face
    float nestedInside = 0.6f;       // a box this much inside a stronger, bigger box ...
    float nestedAreaRatio = 1.3f;    // ... at least this many times its area is dropped
    float boxGrowth = 1.05f;         // final boxes grow by this factor about their centre
    unsigned threads = 0;            // 0: one per processor core (one for small pictures)
};

// A face in picture pixels (origin top-left), clipped to the picture.
struct Face {
    int x = 0, y = 0, width = 0, height = 0;
    float score = 0;
};

// Finds the faces in an 8-bit RGB picture: the network runs on tiles of an image pyramid,
// spread over worker threads, each taking its network instance from the pool and returning it
// afterwards. Faces are ordered left to right, then top to bottom.
std::vector<Face> FindFaces(const cv::Mat &picture, NetworkPool &networks, const FinderOptions &options);

} // namespace facedetect
