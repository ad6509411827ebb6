// libFuzzer entry for the orientation tag reader: any bytes give a value from 1 to 8.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "facedetector/engine/decoding/OrientationTag.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const int orientation = facedetect::ReadOrientationTag(std::span<const std::uint8_t>(data, size));
    if (orientation < 1 || orientation > 8)
        std::abort();
    return 0;
}
