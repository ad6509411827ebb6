#pragma once
#include <cstdint>
#include <span>

#include <opencv2/core.hpp>

namespace facedetect {

// True when the bytes start with a GIF signature.
bool LooksLikeGif(std::span<const std::uint8_t> bytes);

// Decodes the first frame of a GIF (through giflib) into an 8-bit RGB picture of the frame's
// own size, the grid PHP's GD decodes. Throws DecodeError on malformed data and on a frame
// whose data ends before its last pixel.
cv::Mat DecodeGif(std::span<const std::uint8_t> bytes);

} // namespace facedetect
