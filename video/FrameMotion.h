#pragma once
#include <opencv2/core.hpp>

namespace mirelon::video {

// Where the picture's content has moved since the first frame, as one shift of the whole
// frame: a panning or shaking camera moves every face in it by about that much. Measured by
// phase correlation of small grey copies of consecutive frames, which costs a millisecond or
// two a frame; a step the correlation is not sure of (a cut, a blank frame) counts as no move.
class FrameMotion {
public:
    // The shift of this frame's content against the first frame's, in its pixels. Frames go in
    // in order, all of one size.
    cv::Point2d add(const cv::Mat &uprightRgb);

private:
    cv::Mat previous_; // small grey copy of the previous frame, CV_32F
    cv::Mat window_;   // Hann window against the frame's edges
    double scale_ = 1; // small copy pixels per frame pixel
    cv::Point2d position_;
};

} // namespace mirelon::video
