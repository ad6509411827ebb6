#include "facedetector/engine/HeifDecoder.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include <libheif/heif.h>

#include "facedetector/engine/ImageDecoder.h"

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
