// libFuzzer entry for one picture decoder, chosen when building (FUZZED_DECODER). A decoder may
// refuse an input with DecodeError; anything else it throws, and every sanitizer report, is a
// finding.
#include <cstddef>
#include <cstdint>
#include <span>

#include "facedetector/engine/decoding/BmpDecoder.h"
#include "facedetector/engine/decoding/CodecDecoders.h"
#include "facedetector/engine/decoding/GifDecoder.h"
#include "facedetector/engine/decoding/HeifDecoder.h"
#include "facedetector/engine/decoding/ImageDecoder.h"
#include "tests/facedetector/fuzz/CheckPicture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    try {
        CheckPicture(FUZZED_DECODER(std::span<const std::uint8_t>(data, size)));
    } catch (const facedetect::DecodeError &) {
    }
    return 0;
}
