#pragma once
#include <cstdint>
#include <span>

namespace facedetect {

// The orientation tag (EXIF/TIFF tag 274) of a JPEG file (in its first "Exif" APP1 segment
// that holds one, before the scan data) or of a TIFF file (in its first directory): 1 to 8,
// as the tag defines them. 1 (upright, as stored) when the file has no such tag, when the tag
// or the data around it is broken, or when its value is out of range. This is the one reading of
// orientation: the generated scripts turn the picture by what the engine reports, never by
// their own reading of the tag, so boxes and pixels share one frame. Reads nothing outside
// the given bytes and allocates nothing: safe on any input.
int ReadOrientationTag(std::span<const std::uint8_t> fileBytes);

} // namespace facedetect
