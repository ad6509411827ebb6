// libFuzzer entry for the engine's whole decoding path: the input is written to an in-memory
// file, which DecodeUprightImageFile reads by name, tells the format from the content, decodes
// and turns upright by its orientation tag.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

#include "facedetector/engine/decoding/ImageDecoder.h"
#include "facedetector/engine/decoding/UprightPicture.h"
#include "tests/facedetector/fuzz/CheckPicture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const int file = memfd_create("picture", 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(file);
    if (file < 0 || ftruncate(file, 0) != 0 || pwrite(file, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();
    try {
        CheckPicture(facedetect::DecodeUprightImageFile(path));
        if (size >= 2 && (data[0] == 'I' || data[0] == 'M')) // what --bmp hands to the scripts: TIFF turned back
            CheckPicture(facedetect::DecodeStoredImageFile(path));
    } catch (const facedetect::DecodeError &) {
    }
    return 0;
}
