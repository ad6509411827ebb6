#pragma once
#include <cstdint>
#include <span>

#include <opencv2/core.hpp>

namespace facedetect {

// True when the bytes start with a GIF signature.
bool LooksLikeGif(std::span<const std::uint8_t> bytes);

// Decodes the first frame of a GIF into an 8-bit RGB picture of the frame's own size, the grid
// PHP's GD decodes. Throws DecodeError on malformed data; a frame whose data ends early keeps
// the pixels decoded so far and colour index 0 for the rest.
cv::Mat DecodeGif(std::span<const std::uint8_t> bytes);

} // namespace facedetect
