// libFuzzer entry for the image list's own header readers (PNG, BMP, HEIF/AVIF): they take any
// bytes; a size they give must be a real one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "imagelist/PictureHeaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    for (auto read : {PngHeaderSize, BmpHeaderSize, HeifHeaderSize})
        if (const std::optional<QSize> found = read(bytes); found && (found->width() <= 0 || found->height() <= 0))
            std::abort();
    return 0;
}
