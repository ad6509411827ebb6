#pragma once
#include <stdexcept>
#include <string>

#include <opencv2/core.hpp>

namespace facedetect {

// A picture that cannot be read or decoded.
class DecodeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads and decodes a picture file (PNG, JPEG, GIF, BMP, WEBP, TIFF, and whatever else OpenCV
// reads) into 8-bit BGR. Orientation tags are ignored, so the pixel grid is the stored one,
// as GD decodes it. Throws DecodeError with a message naming the cause.
cv::Mat DecodeImageFile(const std::string &path);

} // namespace facedetect
