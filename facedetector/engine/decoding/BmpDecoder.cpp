#include "facedetector/engine/decoding/BmpDecoder.h"

#include <algorithm>
#include <bit>
#include <vector>

#include "facedetector/engine/decoding/ImageDecoder.h"

namespace facedetect {
namespace {

enum Compression : std::uint32_t { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3, AlphaBitFields = 6 };

std::uint32_t U16(std::span<const std::uint8_t> b, std::size_t at)
{
    if (at + 2 > b.size())
        throw DecodeError("the BMP header is incomplete");
    return b[at] | (b[at + 1] << 8);
}

std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at)
{
    if (at + 4 > b.size())
        throw DecodeError("the BMP header is incomplete");
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// One colour channel given by a bit mask, scaled to 0..255.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint64_t max = 0;

    explicit Channel(std::uint32_t m = 0) : mask(m)
    {
        if (mask) {
            shift = std::countr_zero(mask);
            max = mask >> shift;
        }
    }
    std::uint8_t operator()(std::uint32_t pixel) const
    {
        if (!max)
            return 0;
        return static_cast<std::uint8_t>(((pixel & mask) >> shift) * std::uint64_t(255) / max);
    }
};

// Expands run-length coded indices into `indices` (rows in file order). Pixels that runs place
// beyond the end of a row are dropped, and the column never passes the row's end, so no run or
// move can push it out of range; pixels the data skips keep index 0. Ends at the end-of-bitmap
// code or after the last row; data that ends before either is an error.
void DecodeRle(std::span<const std::uint8_t> data, bool fourBit, std::size_t width, std::size_t height, std::vector<std::uint8_t> &indices)
{
    std::size_t x = 0, y = 0, at = 0;
    auto put = [&](std::size_t count, auto indexAt) {
        std::uint8_t *row = indices.data() + y * width;
        const std::size_t inRow = x < width ? std::min(count, width - x) : 0;
        for (std::size_t i = 0; i < inRow; ++i)
            row[x + i] = indexAt(i);
        x = std::min(x + count, width);
    };
    auto needs = [&](std::size_t bytes) {
        if (data.size() - at < bytes)
            throw DecodeError("the BMP run-length data ends early");
    };
    while (y < height) {
        needs(2);
        const std::uint8_t count = data[at], value = data[at + 1];
        at += 2;
        if (count > 0) { // a run of one index, or of two alternating ones
            put(count, [&](std::size_t i) { return fourBit ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value; });
        } else if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            return;
        } else if (value == 2) { // move right and up
            needs(2);
            x = std::min(x + data[at], width);
            y += data[at + 1];
            at += 2;
        } else { // `value` literal indices, padded to a 16-bit boundary
            const std::size_t bytes = fourBit ? (value + 1) / 2 : value;
            needs(bytes);
            const std::uint8_t *literal = data.data() + at;
            put(value, [&](std::size_t i) { return fourBit ? ((i & 1) ? (literal[i / 2] & 0x0F) : (literal[i / 2] >> 4)) : literal[i]; });
            at += std::min(data.size() - at, (bytes + 1) & ~std::size_t(1));
        }
    }
}

} // namespace

bool LooksLikeBmp(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= 26 && bytes[0] == 'B' && bytes[1] == 'M';
}

cv::Mat DecodeBmp(std::span<const std::uint8_t> bytes)
{
    if (!LooksLikeBmp(bytes))
        throw DecodeError("not a BMP file");
    const std::size_t dataOffset = U32(bytes, 10);
    const std::size_t headerSize = U32(bytes, 14);
    long long width = 0, height = 0;
    std::uint32_t bitsPerPixel = 0, compression = Rgb, colorsUsed = 0;
    std::size_t paletteEntrySize = 4;
    if (headerSize == 12) { // OS/2 1.x
        width = U16(bytes, 18);
        height = static_cast<std::int16_t>(U16(bytes, 20));
        bitsPerPixel = U16(bytes, 24);
        paletteEntrySize = 3;
    } else if (headerSize >= 40) {
        width = static_cast<std::int32_t>(U32(bytes, 18));
        height = static_cast<std::int32_t>(U32(bytes, 22));
        bitsPerPixel = U16(bytes, 28);
        compression = U32(bytes, 30);
        colorsUsed = U32(bytes, 46);
    } else {
        throw DecodeError("the BMP header has an unknown size");
    }
    const bool topDown = height < 0;
    height = height < 0 ? -height : height;
    if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32)
        throw DecodeError("the BMP picture has an unsupported depth of " + std::to_string(bitsPerPixel) + " bits");
    const bool rle = compression == Rle8 || compression == Rle4;
    if ((compression == Rle8 && bitsPerPixel != 8) || (compression == Rle4 && bitsPerPixel != 4) ||
        (!rle && compression != Rgb && compression != BitFields && compression != AlphaBitFields))
        throw DecodeError("the BMP compression is not supported");
    if (rle && topDown)
        throw DecodeError("the BMP picture is malformed");
    if (dataOffset >= bytes.size())
        throw DecodeError("the BMP file holds no pixel data");
    const auto data = bytes.subspan(dataOffset);
    const PictureClaim claim{width, height, 1, bitsPerPixel};
    // Checked before the picture is allocated, so a tiny file cannot claim a huge one.
    if (rle) {
        CheckClaimBackedByData(claim, data.size(), RunLengthExpansion);
    } else {
        CheckPictureSize(claim);
        const std::size_t stride = ((static_cast<std::size_t>(width) * bitsPerPixel + 31) / 32) * 4;
        const std::size_t rowBytes = (static_cast<std::size_t>(width) * bitsPerPixel + 7) / 8;
        if (data.size() < stride * static_cast<std::size_t>(height - 1) + rowBytes) // some writers leave out the last row's padding
            throw DecodeError("the BMP pixel data ends early");
    }

    // Colour masks follow a 40-byte header when it announces them, or lie inside a longer one.
    Channel red(0x00FF0000), green(0x0000FF00), blue(0x000000FF);
    if (bitsPerPixel == 16) {
        red = Channel(0x7C00);
        green = Channel(0x03E0);
        blue = Channel(0x001F);
    }
    std::size_t paletteAt = 14 + headerSize;
    if (compression == BitFields || compression == AlphaBitFields) {
        red = Channel(U32(bytes, 54));
        green = Channel(U32(bytes, 58));
        blue = Channel(U32(bytes, 62));
        if (headerSize == 40)
            paletteAt += compression == AlphaBitFields ? 16 : 12;
    }

    std::vector<cv::Vec3b> palette;
    if (bitsPerPixel <= 8) {
        std::size_t entries = colorsUsed ? colorsUsed : (std::size_t(1) << bitsPerPixel);
        entries = std::min<std::size_t>(entries, 256);
        for (std::size_t i = 0; i < entries && paletteAt < bytes.size() && (i + 1) * paletteEntrySize <= bytes.size() - paletteAt; ++i) {
            const std::size_t at = paletteAt + i * paletteEntrySize;
            palette.emplace_back(bytes[at + 2], bytes[at + 1], bytes[at]);
        }
    }
    auto colour = [&palette](std::uint32_t index) { return index < palette.size() ? palette[index] : cv::Vec3b(0, 0, 0); };

    const int w = static_cast<int>(width), h = static_cast<int>(height);
    cv::Mat picture = UninitialisedPicture(w, h);
    auto rowOf = [&](int stored) { return topDown ? stored : h - 1 - stored; };

    if (rle) {
        std::vector<std::uint8_t> indices(static_cast<std::size_t>(w) * h, 0);
        DecodeRle(data, compression == Rle4, static_cast<std::size_t>(w), static_cast<std::size_t>(h), indices);
        for (int stored = 0; stored < h; ++stored) {
            auto *out = picture.ptr<cv::Vec3b>(rowOf(stored));
            const std::uint8_t *in = indices.data() + static_cast<std::size_t>(stored) * w;
            for (int x = 0; x < w; ++x)
                out[x] = colour(in[x]);
        }
        return picture;
    }

    const std::size_t stride = ((static_cast<std::size_t>(w) * bitsPerPixel + 31) / 32) * 4;
    for (int stored = 0; stored < h; ++stored) {
        const std::uint8_t *in = data.data() + static_cast<std::size_t>(stored) * stride;
        auto *out = picture.ptr<cv::Vec3b>(rowOf(stored));
        for (int x = 0; x < w; ++x) {
            switch (bitsPerPixel) {
            case 1: out[x] = colour((in[x >> 3] >> (7 - (x & 7))) & 1); break;
            case 4: out[x] = colour((x & 1) ? (in[x >> 1] & 0x0F) : (in[x >> 1] >> 4)); break;
            case 8: out[x] = colour(in[x]); break;
            case 24: out[x] = cv::Vec3b(in[x * 3 + 2], in[x * 3 + 1], in[x * 3]); break;
            default: {
                const std::uint32_t pixel = bitsPerPixel == 16
                    ? static_cast<std::uint32_t>(in[x * 2] | (in[x * 2 + 1] << 8))
                    : static_cast<std::uint32_t>(in[x * 4] | (in[x * 4 + 1] << 8) | (in[x * 4 + 2] << 16) | (static_cast<std::uint32_t>(in[x * 4 + 3]) << 24));
                out[x] = cv::Vec3b(red(pixel), green(pixel), blue(pixel));
            }
            }
        }
    }
    return picture;
}

} // namespace facedetect
