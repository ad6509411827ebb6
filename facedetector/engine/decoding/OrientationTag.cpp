#include "facedetector/engine/decoding/OrientationTag.h"

#include <algorithm>
#include <iterator>
#include <optional>

namespace facedetect {
namespace {

constexpr int Upright = 1;
constexpr std::uint16_t OrientationTagId = 0x0112;

// Big- or little-endian reads inside one block of bytes; nullopt past its end.
class Reader {
public:
    Reader(std::span<const std::uint8_t> bytes, bool bigEndian) : bytes_(bytes), bigEndian_(bigEndian) {}

    std::optional<std::uint32_t> Read(std::size_t at, int size) const
    {
        if (at > bytes_.size() || bytes_.size() - at < static_cast<std::size_t>(size))
            return std::nullopt;
        std::uint32_t value = 0;
        for (int i = 0; i < size; ++i) {
            const std::uint32_t byte = bytes_[at + static_cast<std::size_t>(bigEndian_ ? i : size - 1 - i)];
            value = (value << 8) | byte;
        }
        return value;
    }

private:
    std::span<const std::uint8_t> bytes_;
    bool bigEndian_;
};

// The orientation in the first directory of TIFF-structured data; nullopt when there is none.
std::optional<int> OrientationInTiff(std::span<const std::uint8_t> tiff)
{
    if (tiff.size() < 8)
        return std::nullopt;
    bool bigEndian = false;
    if (tiff[0] == 'I' && tiff[1] == 'I' && tiff[2] == 42 && tiff[3] == 0)
        bigEndian = false;
    else if (tiff[0] == 'M' && tiff[1] == 'M' && tiff[2] == 0 && tiff[3] == 42)
        bigEndian = true;
    else
        return std::nullopt;
    const Reader read(tiff, bigEndian);
    const std::size_t directory = *read.Read(4, 4);
    const auto entries = read.Read(directory, 2);
    // A directory that claims more entries than the data holds is broken as a whole.
    if (!entries || tiff.size() - directory - 2 < std::size_t{12} * *entries)
        return std::nullopt;
    for (std::size_t i = 0; i < *entries; ++i) {
        const std::size_t entry = directory + 2 + 12 * i;
        if (*read.Read(entry, 2) != OrientationTagId)
            continue;
        const auto type = read.Read(entry + 2, 2);
        const auto count = read.Read(entry + 4, 4);
        if (!type || !count || *count != 1)
            return std::nullopt;
        // One 16- or 32-bit integer, kept in the entry's value field. Byte-sized and other types
        // are not taken, as PHP's exif extension does not take them either: the scripts turn
        // the image by what that extension reads, and both must agree.
        std::optional<std::uint32_t> value;
        switch (*type) {
        case 3: // SHORT
        case 8: // SSHORT
            value = read.Read(entry + 8, 2);
            break;
        case 4: // LONG
        case 9: // SLONG
            value = read.Read(entry + 8, 4);
            break;
        default:
            return std::nullopt;
        }
        if (!value)
            return std::nullopt;
        return *value >= 1 && *value <= 8 ? static_cast<int>(*value) : Upright;
    }
    return std::nullopt;
}

std::optional<int> OrientationInJpeg(std::span<const std::uint8_t> jpeg)
{
    const Reader read(jpeg, true);
    std::size_t at = 2; // after the start-of-image marker
    while (at < jpeg.size()) {
        if (jpeg[at] != 0xFF)
            return std::nullopt; // not a marker: broken segment structure
        while (at < jpeg.size() && jpeg[at] == 0xFF)
            ++at; // fill bytes
        if (at >= jpeg.size())
            return std::nullopt;
        const std::uint8_t marker = jpeg[at++];
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // markers without a segment
        if (marker == 0xDA || marker == 0xD9)
            return std::nullopt; // scan data or the end: the tag comes before these
        const auto length = read.Read(at, 2);
        if (!length || *length < 2 || jpeg.size() - at < *length)
            return std::nullopt;
        const std::span<const std::uint8_t> segment = jpeg.subspan(at + 2, *length - 2);
        static constexpr std::uint8_t ExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};
        if (marker == 0xE1 && segment.size() >= sizeof ExifHeader &&
            std::equal(std::begin(ExifHeader), std::end(ExifHeader), segment.begin())) {
            if (const auto orientation = OrientationInTiff(segment.subspan(sizeof ExifHeader)))
                return orientation;
        }
        at += *length;
    }
    return std::nullopt;
}

} // namespace

int ReadOrientationTag(std::span<const std::uint8_t> fileBytes)
{
    std::optional<int> orientation;
    if (fileBytes.size() >= 3 && fileBytes[0] == 0xFF && fileBytes[1] == 0xD8 && fileBytes[2] == 0xFF)
        orientation = OrientationInJpeg(fileBytes);
    else
        orientation = OrientationInTiff(fileBytes);
    return orientation.value_or(Upright);
}

} // namespace facedetect
