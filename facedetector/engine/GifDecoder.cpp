#include "facedetector/engine/GifDecoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "facedetector/engine/ImageDecoder.h"

namespace facedetect {
namespace {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool AtEnd() const { return pos_ >= bytes_.size(); }
    std::uint8_t Byte()
    {
        if (pos_ >= bytes_.size())
            throw DecodeError("the GIF data ends early");
        return bytes_[pos_++];
    }
    int Word()
    {
        const int low = Byte();
        return low | (Byte() << 8);
    }
    std::span<const std::uint8_t> Take(std::size_t count)
    {
        if (bytes_.size() - pos_ < count)
            throw DecodeError("the GIF data ends early");
        auto part = bytes_.subspan(pos_, count);
        pos_ += count;
        return part;
    }
    // Skips data sub-blocks up to and including the terminating empty block.
    void SkipSubBlocks()
    {
        for (std::size_t size = Byte(); size != 0; size = Byte())
            Take(size);
    }
    // Collects data sub-blocks; a missing terminator is tolerated (truncated files).
    std::vector<std::uint8_t> ReadSubBlocks()
    {
        std::vector<std::uint8_t> data;
        while (!AtEnd()) {
            const std::size_t size = Byte();
            if (size == 0)
                break;
            const std::size_t available = std::min(size, bytes_.size() - pos_);
            auto part = Take(available);
            data.insert(data.end(), part.begin(), part.end());
        }
        return data;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

using Palette = std::vector<cv::Vec3b>; // RGB

Palette ReadPalette(ByteReader &reader, int packed)
{
    const int entries = 1 << ((packed & 0x07) + 1);
    auto raw = reader.Take(static_cast<std::size_t>(entries) * 3);
    Palette palette(entries);
    for (int i = 0; i < entries; ++i)
        palette[i] = cv::Vec3b(raw[i * 3], raw[i * 3 + 1], raw[i * 3 + 2]);
    return palette;
}

// Variable-length LZW decoding into colour indices; stops at the end code, at the end of the
// data or when the output is full. Returns the number of indices written.
std::size_t DecodeLzw(const std::vector<std::uint8_t> &data, int minCodeSize, std::vector<std::uint8_t> &out)
{
    constexpr int MaxCodes = 4096;
    std::array<std::uint16_t, MaxCodes> prefix{};
    std::array<std::uint8_t, MaxCodes> suffix{};
    std::array<std::uint8_t, MaxCodes + 1> stack{};

    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    for (int i = 0; i < clearCode; ++i)
        suffix[i] = static_cast<std::uint8_t>(i);

    int codeSize = minCodeSize + 1;
    int nextCode = endCode + 1;
    int previous = -1;
    std::uint8_t first = 0;
    std::size_t written = 0;

    std::size_t bitPos = 0;
    const std::size_t totalBits = data.size() * 8;
    while (written < out.size() && bitPos + codeSize <= totalBits) {
        int code = 0;
        for (int bit = 0; bit < codeSize; ++bit, ++bitPos)
            code |= ((data[bitPos >> 3] >> (bitPos & 7)) & 1) << bit;

        if (code == clearCode) {
            codeSize = minCodeSize + 1;
            nextCode = endCode + 1;
            previous = -1;
            continue;
        }
        if (code == endCode)
            break;
        if (previous < 0) {
            if (code >= clearCode)
                break; // a string code before any string: corrupt
            first = static_cast<std::uint8_t>(code);
            out[written++] = first;
            previous = code;
            continue;
        }

        int depth = 0;
        int current = code;
        if (code == nextCode) {
            stack[depth++] = first; // the string of the previous code plus its own first index
            current = previous;
        } else if (code > nextCode) {
            break; // corrupt
        }
        while (current > endCode) {
            stack[depth++] = suffix[current];
            current = prefix[current];
        }
        first = static_cast<std::uint8_t>(current);
        stack[depth++] = first;
        while (depth > 0 && written < out.size())
            out[written++] = stack[--depth];

        if (nextCode < MaxCodes) {
            prefix[nextCode] = static_cast<std::uint16_t>(previous);
            suffix[nextCode] = first;
            ++nextCode;
            if (nextCode == (1 << codeSize) && codeSize < 12)
                ++codeSize;
        }
        previous = code;
    }
    return written;
}

} // namespace

bool LooksLikeGif(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= 6 && (std::memcmp(bytes.data(), "GIF87a", 6) == 0 || std::memcmp(bytes.data(), "GIF89a", 6) == 0);
}

cv::Mat DecodeGif(std::span<const std::uint8_t> bytes)
{
    if (!LooksLikeGif(bytes))
        throw DecodeError("not a GIF file");
    ByteReader reader(bytes);
    reader.Take(6);
    const int screenWidth = reader.Word();
    const int screenHeight = reader.Word();
    const int screenFlags = reader.Byte();
    reader.Byte(); // background colour index
    reader.Byte(); // pixel aspect ratio
    Palette globalPalette;
    if (screenFlags & 0x80)
        globalPalette = ReadPalette(reader, screenFlags);

    for (;;) {
        const std::uint8_t introducer = reader.Byte();
        if (introducer == 0x21) { // extension: label, then sub-blocks
            reader.Byte();
            reader.SkipSubBlocks();
            continue;
        }
        if (introducer == 0x3B)
            throw DecodeError("the GIF file holds no image");
        if (introducer != 0x2C)
            throw DecodeError("the GIF file is malformed");

        const int left = reader.Word();
        const int top = reader.Word();
        const int width = reader.Word();
        const int height = reader.Word();
        const int flags = reader.Byte();
        CheckPictureSize(width, height);
        if (left + width > screenWidth || top + height > screenHeight)
            throw DecodeError("the GIF image lies outside its logical screen");
        const Palette palette = (flags & 0x80) ? ReadPalette(reader, flags) : globalPalette;
        const int minCodeSize = reader.Byte();
        if (minCodeSize < 1 || minCodeSize > 11)
            throw DecodeError("the GIF image data is malformed");

        std::vector<std::uint8_t> indices(static_cast<std::size_t>(width) * height, 0);
        DecodeLzw(reader.ReadSubBlocks(), minCodeSize, indices);

        // Interlaced frames store rows in four passes.
        std::vector<int> rowOrder;
        rowOrder.reserve(height);
        if (flags & 0x40) {
            constexpr int starts[] = {0, 4, 2, 1};
            constexpr int steps[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int y = starts[pass]; y < height; y += steps[pass])
                    rowOrder.push_back(y);
        } else {
            for (int y = 0; y < height; ++y)
                rowOrder.push_back(y);
        }

        cv::Mat picture(height, width, CV_8UC3, cv::Scalar(0, 0, 0));
        for (int stored = 0; stored < height; ++stored) {
            auto *row = picture.ptr<cv::Vec3b>(rowOrder[stored]);
            const std::uint8_t *source = indices.data() + static_cast<std::size_t>(stored) * width;
            for (int x = 0; x < width; ++x)
                if (source[x] < palette.size())
                    row[x] = palette[source[x]];
        }
        return picture;
    }
}

} // namespace facedetect
