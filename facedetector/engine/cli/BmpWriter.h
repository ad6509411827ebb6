#pragma once
#include <ostream>

#include <opencv2/core.hpp>

namespace facedetect {

// Writes an 8-bit RGB picture as an uncompressed 24-bit BMP (rows bottom-up, each padded to
// four bytes), which every BMP reader takes. Returns whether the stream took every byte.
bool WriteBmp(const cv::Mat &rgb, std::ostream &out);

} // namespace facedetect
