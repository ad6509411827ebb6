#pragma once
#include <cstdint>
#include <span>

#include <opencv2/core.hpp>

namespace facedetect {

// Decoders over the system's codec libraries, each giving 8-bit RGB in the stored pixel grid
// (no orientation tag applied; libtiff's reader mirrors a TIFF by its tag, though). They throw DecodeError, also when the data ends before the
// last pixel. Decoding ourselves instead of through OpenCV's imgcodecs keeps the engine's
// start-up short: that module loads well over a hundred libraries, which costs more than
// finding the faces in a small photo.
cv::Mat DecodeJpeg(std::span<const std::uint8_t> bytes);
cv::Mat DecodePng(std::span<const std::uint8_t> bytes);
cv::Mat DecodeWebp(std::span<const std::uint8_t> bytes);
cv::Mat DecodeTiff(std::span<const std::uint8_t> bytes);

} // namespace facedetect
