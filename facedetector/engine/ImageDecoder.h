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

// Largest picture decoded (about 16000 x 15000 pixels); larger ones are refused before any
// pixel memory is taken, so a forged header cannot exhaust the machine's memory.
constexpr long long MaxPicturePixels = 250'000'000;

// Throws DecodeError unless width x height is a picture size we decode.
void CheckPictureSize(long long width, long long height);

// Reads and decodes a picture file (PNG, JPEG, GIF, BMP, WEBP or TIFF, told apart by content,
// not by name) into 8-bit RGB. Orientation tags are ignored, so the pixel grid is the stored
// one, as GD decodes it. Throws DecodeError with a message naming the cause.
cv::Mat DecodeImageFile(const std::string &path);

} // namespace facedetect
