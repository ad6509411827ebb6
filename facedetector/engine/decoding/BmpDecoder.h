#pragma once
#include <cstdint>
#include <span>

#include <opencv2/core.hpp>

namespace facedetect {

// True when the bytes start with a Windows bitmap signature.
bool LooksLikeBmp(std::span<const std::uint8_t> bytes);

// Decodes a Windows or OS/2 bitmap (1, 4, 8, 16, 24 or 32 bits per pixel; uncompressed, RLE8,
// RLE4 or with colour masks) into 8-bit RGB. Throws DecodeError.
cv::Mat DecodeBmp(std::span<const std::uint8_t> bytes);

} // namespace facedetect
