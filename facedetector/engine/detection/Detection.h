#pragma once

namespace facedetect {

// A face candidate as a network reports it: box left, top, width and height, and the score
// (0..1).
struct Detection {
    float x = 0, y = 0, width = 0, height = 0;
    float score = 0;
};

} // namespace facedetect
