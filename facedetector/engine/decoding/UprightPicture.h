#pragma once
#include <string>

#include <opencv2/core.hpp>

namespace facedetect {

// The picture turned upright from its stored pixel grid as an orientation tag value says
// (2 to 8; 1 and anything else: unchanged), the way photo viewers show it.
cv::Mat TurnUpright(const cv::Mat &stored, int orientation);

// A picture file decoded and turned upright.
struct UprightFile {
    cv::Mat picture;     // 8-bit RGB, upright
    int orientation = 1; // the file's orientation tag as applied: 1 (as stored) to 8
};

// Reads and decodes a picture file as DecodeImageBytes does and turns it upright as the file's
// orientation tag says, so that faces are searched, and reported, in the picture people see.
// Throws DecodeError.
UprightFile DecodeUprightFile(const std::string &path);

// DecodeUprightFile's picture alone.
cv::Mat DecodeUprightImageFile(const std::string &path);

// Reads and decodes a picture file in its stored pixel grid, as GD decodes the formats it reads:
// no orientation tag applied (a TIFF's partial mirroring by libtiff undone). Throws DecodeError.
cv::Mat DecodeStoredImageFile(const std::string &path);

} // namespace facedetect
