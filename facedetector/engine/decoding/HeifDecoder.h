#pragma once
#include <cstdint>
#include <span>

#include <opencv2/core.hpp>

namespace facedetect {

// Whether the bytes start with the file type box of a HEIF (HEIC) or AVIF picture.
bool LooksLikeHeif(std::span<const std::uint8_t> bytes);

// Decodes the primary picture of a HEIF (HEVC coded, as phones write it) or AVIF file through
// libheif into 8-bit RGB, with the file's own turns, mirrors and crops applied as viewers show
// it (these pictures carry their orientation in the container, not in a tag). Throws DecodeError.
cv::Mat DecodeHeif(std::span<const std::uint8_t> bytes);

} // namespace facedetect
