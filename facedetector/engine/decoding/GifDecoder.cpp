#include "facedetector/engine/decoding/GifDecoder.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gif_lib.h>

#include "facedetector/engine/decoding/ImageDecoder.h"

namespace facedetect {
namespace {

struct MemoryInput {
    std::span<const std::uint8_t> bytes;
    std::size_t at = 0;
};

int ReadFromMemory(GifFileType *gif, GifByteType *out, int wanted)
{
    auto *input = static_cast<MemoryInput *>(gif->UserData);
    const std::size_t count = std::min(static_cast<std::size_t>(std::max(wanted, 0)), input->bytes.size() - input->at);
    std::memcpy(out, input->bytes.data() + input->at, count);
    input->at += count;
    return static_cast<int>(count);
}

struct GifCloser {
    void operator()(GifFileType *gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifFile = std::unique_ptr<GifFileType, GifCloser>;

[[noreturn]] void Fail(int error)
{
    if (error == D_GIF_ERR_READ_FAILED)
        throw DecodeError("the GIF data ends early");
    const char *text = GifErrorString(error);
    throw DecodeError(std::string("the GIF data is damaged: ") + (text ? text : "unknown error"));
}

cv::Mat DecodeFrame(GifFileType *gif, std::size_t fileBytes)
{
    const GifImageDesc &frame = gif->Image;
    const long long width = frame.Width, height = frame.Height;
    CheckClaimBackedByData({width, height, 1, 8}, fileBytes, LzwExpansion);
    if (frame.Left + width > gif->SWidth || frame.Top + height > gif->SHeight)
        throw DecodeError("the GIF image lies outside its logical screen");

    // Rows are kept only as their data arrives, so a short file cannot cost the claimed size.
    std::vector<std::uint8_t> indices;
    for (long long row = 0; row < height; ++row) {
        indices.resize(indices.size() + static_cast<std::size_t>(width));
        if (DGifGetLine(gif, indices.data() + indices.size() - width, static_cast<int>(width)) == GIF_ERROR)
            Fail(gif->Error);
    }

    // Interlaced frames store rows in four passes.
    std::vector<int> rowOrder;
    rowOrder.reserve(static_cast<std::size_t>(height));
    if (frame.Interlace) {
        constexpr int starts[] = {0, 4, 2, 1};
        constexpr int steps[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = starts[pass]; y < height; y += steps[pass])
                rowOrder.push_back(y);
    } else {
        for (int y = 0; y < height; ++y)
            rowOrder.push_back(y);
    }

    const ColorMapObject *map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    std::vector<cv::Vec3b> palette(256, cv::Vec3b(0, 0, 0)); // indices past the map are black
    for (int i = 0; map && i < std::min(map->ColorCount, 256); ++i)
        palette[static_cast<std::size_t>(i)] = cv::Vec3b(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue);

    cv::Mat picture = UninitialisedPicture(width, height);
    for (int stored = 0; stored < height; ++stored) {
        auto *out = picture.ptr<cv::Vec3b>(rowOrder[static_cast<std::size_t>(stored)]);
        const std::uint8_t *in = indices.data() + static_cast<std::size_t>(stored) * static_cast<std::size_t>(width);
        for (int x = 0; x < width; ++x)
            out[x] = palette[in[x]];
    }
    return picture;
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
    MemoryInput input;
    input.bytes = bytes;
    int error = 0;
    GifFile gif(DGifOpen(&input, ReadFromMemory, &error));
    if (!gif)
        Fail(error);
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR)
            Fail(gif->Error);
        if (type == TERMINATE_RECORD_TYPE)
            throw DecodeError("the GIF file holds no image");
        if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
                Fail(gif->Error);
            return DecodeFrame(gif.get(), bytes.size());
        }
        if (type != EXTENSION_RECORD_TYPE)
            throw DecodeError("the GIF file is malformed");
        int code = 0;
        GifByteType *block = nullptr;
        if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR)
            Fail(gif->Error);
        while (block)
            if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR)
                Fail(gif->Error);
    }
}

} // namespace facedetect
