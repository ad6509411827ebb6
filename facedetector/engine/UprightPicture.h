#pragma once
#include <string>

#include <opencv2/core.hpp>

namespace facedetect {

// The picture turned upright from its stored pixel grid as an orientation tag value says
// (2 to 8; 1 and anything else: unchanged), the way photo viewers show it.
cv::Mat TurnUpright(const cv::Mat &stored, int orientation);

// Reads and decodes a picture file as DecodeImageBytes does and turns it upright as the file's orientation
// tag says, so that faces are searched, and reported, in the picture people see. Throws
// DecodeError. orientationApplied, when given, receives the file's orientation tag value as read
// (1 to 8): the turn that takes the stored pixel grid upright.
cv::Mat DecodeUprightImageFile(const std::string &path, int *orientationApplied = nullptr);

} // namespace facedetect
