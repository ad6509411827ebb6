#include "facedetector/engine/decoding/HeifDecoder.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <libheif/heif.h>

#include "facedetector/engine/decoding/ImageDecoder.h"

namespace facedetect {
namespace {

// HEVC and AV1 code a blank area in next to nothing; the large-picture ratio bounds the rest.
constexpr unsigned HeifExpansion = 1 << 17;
// Widest and tallest picture libheif is allowed to set up (MaxPicturePixels bounds the product).
constexpr int HeifMaxSide = 1 << 16;

struct ContextFree {
    void operator()(heif_context *context) const { heif_context_free(context); }
};
struct HandleRelease {
    void operator()(heif_image_handle *handle) const { heif_image_handle_release(handle); }
};
struct ImageRelease {
    void operator()(heif_image *image) const { heif_image_release(image); }
};
struct OptionsFree {
    void operator()(heif_decoding_options *options) const { heif_decoding_options_free(options); }
};

// The content of each box in `data` of the given type, found by walking the boxes.
std::vector<std::span<const std::uint8_t>> Boxes(std::span<const std::uint8_t> data, const char *type, std::size_t skip = 0)
{
    std::vector<std::span<const std::uint8_t>> found;
    std::size_t at = skip;
    while (data.size() >= at + 8) {
        std::uint64_t size = std::uint64_t(data[at]) << 24 | std::uint64_t(data[at + 1]) << 16 | std::uint64_t(data[at + 2]) << 8 | data[at + 3];
        std::size_t header = 8;
        if (size == 0)
            size = data.size() - at;
        if (size == 1 || size < header || size > data.size() - at)
            break; // 64-bit sizes are only used for the picture data, which is not walked
        if (std::memcmp(data.data() + at + 4, type, 4) == 0)
            found.push_back(data.subspan(at + header, static_cast<std::size_t>(size) - header));
        at += static_cast<std::size_t>(size);
    }
    return found;
}

// Reads the bits of an HEVC parameter set with its emulation prevention bytes removed.
class BitReader {
public:
    explicit BitReader(std::span<const std::uint8_t> nal)
    {
        for (std::size_t i = 0; i < nal.size(); ++i) {
            if (i >= 2 && nal[i] == 3 && nal[i - 1] == 0 && nal[i - 2] == 0)
                continue;
            bytes_.push_back(nal[i]);
        }
    }
    bool ok() const { return ok_; }
    std::uint32_t bits(int count)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            if (at_ >= bytes_.size() * 8) {
                ok_ = false;
                return 0;
            }
            value = value << 1 | ((bytes_[at_ / 8] >> (7 - at_ % 8)) & 1);
            ++at_;
        }
        return value;
    }
    void skip(int count) { bits(count); }
    std::uint64_t unsignedGolomb()
    {
        int zeros = 0;
        while (ok_ && bits(1) == 0)
            if (++zeros > 32) {
                ok_ = false;
                return 0;
            }
        return ok_ ? (std::uint64_t(1) << zeros) - 1 + bits(zeros) : 0;
    }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

// The coded picture size of an HEVC sequence parameter set (its NAL unit with the header).
bool SpsSize(std::span<const std::uint8_t> nal, std::uint64_t &width, std::uint64_t &height)
{
    BitReader reader(nal.size() > 2 ? nal.subspan(2) : std::span<const std::uint8_t>());
    reader.skip(4);
    const int subLayers = static_cast<int>(reader.bits(3));
    reader.skip(1);
    reader.skip(88 + 8); // general profile, tier and level
    bool profile[8] = {}, level[8] = {};
    for (int i = 0; i < subLayers; ++i) {
        profile[i] = reader.bits(1);
        level[i] = reader.bits(1);
    }
    if (subLayers > 0)
        reader.skip(2 * (8 - subLayers));
    for (int i = 0; i < subLayers; ++i)
        reader.skip((profile[i] ? 88 : 0) + (level[i] ? 8 : 0));
    reader.unsignedGolomb(); // its own number
    if (reader.unsignedGolomb() == 3)
        reader.skip(1); // colour planes coded apart
    width = reader.unsignedGolomb();
    height = reader.unsignedGolomb();
    return reader.ok();
}

// libheif checks the size the HEVC stream codes only after decoding it: a file whose container
// says 24 x 16 can make the decoder work through 488 x 65519 pixels first. Every sequence
// parameter set in the file's HEVC configurations must code at most the primary picture's
// longer side (plus one coding block) each way.
void CheckCodedSizes(std::span<const std::uint8_t> bytes, long long width, long long height)
{
    const std::uint64_t side = static_cast<std::uint64_t>(std::max(width, height)) + 64;
    for (const auto &meta : Boxes(bytes, "meta"))
        for (const auto &properties : Boxes(meta, "iprp", 4))
            for (const auto &container : Boxes(properties, "ipco"))
                for (const auto &config : Boxes(container, "hvcC")) {
                    std::size_t at = 23;
                    const std::size_t arrays = config.size() > 22 ? config[22] : 0;
                    for (std::size_t array = 0; array < arrays && config.size() >= at + 3; ++array) {
                        const bool sps = (config[at] & 0x3F) == 33;
                        const std::size_t units = std::size_t(config[at + 1]) << 8 | config[at + 2];
                        at += 3;
                        for (std::size_t unit = 0; unit < units && config.size() >= at + 2; ++unit) {
                            const std::size_t length = std::size_t(config[at]) << 8 | config[at + 1];
                            at += 2;
                            if (config.size() - at < length)
                                return;
                            std::uint64_t codedWidth = 0, codedHeight = 0;
                            if (sps && SpsSize(config.subspan(at, length), codedWidth, codedHeight) &&
                                (codedWidth > side || codedHeight > side))
                                throw DecodeError("the HEIF data codes a larger picture (" + std::to_string(codedWidth) +
                                                  " x " + std::to_string(codedHeight) + " pixels) than it claims (" +
                                                  std::to_string(width) + " x " + std::to_string(height) + ")");
                            at += length;
                        }
                    }
                }
}

void Check(const heif_error &error, const char *what)
{
    if (error.code != heif_error_Ok)
        throw DecodeError(std::string("the HEIF data ") + what + ": " + (error.message ? error.message : "unknown error"));
}

} // namespace

bool LooksLikeHeif(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < 12 || std::memcmp(bytes.data() + 4, "ftyp", 4) != 0)
        return false;
    return heif_check_filetype(bytes.data(), static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 16))) !=
           heif_filetype_no;
}

cv::Mat DecodeHeif(std::span<const std::uint8_t> bytes)
{
    std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
    if (!context)
        throw DecodeError("not enough memory for the HEIF reader");
    heif_context_set_maximum_image_size_limit(context.get(), HeifMaxSide);
    Check(heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(), nullptr), "is damaged");

    heif_image_handle *primary = nullptr;
    Check(heif_context_get_primary_image_handle(context.get(), &primary), "has no picture");
    const std::unique_ptr<heif_image_handle, HandleRelease> handle(primary);
    const long long width = heif_image_handle_get_width(handle.get());
    const long long height = heif_image_handle_get_height(handle.get());
    CheckClaimBackedByData({width, height, 3, 8}, bytes.size(), HeifExpansion);
    CheckCodedSizes(bytes, width, height);
    // libheif weighs a grid's size against this limit when it decodes; the container's own
    // extent is the most the picture may have (a grid descriptor saying 488 x 65519 under an
    // extent of 24 x 16 made it fill and decode for seconds).
    // (libheif refuses a side equal to the limit; 64 more leave room for a coding block.)
    heif_context_set_maximum_image_size_limit(context.get(), static_cast<int>(std::max(width, height) + 65));

    const std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    options->convert_hdr_to_8bit = 1;
    heif_image *decodedImage = nullptr;
    Check(heif_decode_image(handle.get(), &decodedImage, heif_colorspace_RGB, heif_chroma_interleaved_RGB, options.get()),
          "cannot be decoded");
    const std::unique_ptr<heif_image, ImageRelease> image(decodedImage);
    int stride = 0;
    const std::uint8_t *plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int decodedWidth = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int decodedHeight = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!plane || decodedWidth <= 0 || decodedHeight <= 0 || stride < decodedWidth * 3)
        throw DecodeError("the HEIF data cannot be decoded: no pixels came out");
    CheckPictureSize({decodedWidth, decodedHeight, 3, 8});
    cv::Mat pixels = UninitialisedPicture(decodedWidth, decodedHeight);
    for (int y = 0; y < decodedHeight; ++y)
        std::memcpy(pixels.ptr(y), plane + static_cast<std::ptrdiff_t>(y) * stride, static_cast<std::size_t>(decodedWidth) * 3);
    return pixels;
}

} // namespace facedetect
