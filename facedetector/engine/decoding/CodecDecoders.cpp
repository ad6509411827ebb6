#include "facedetector/engine/decoding/CodecDecoders.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>
#include <png.h>
#include <tiffio.h>
#include <webp/decode.h>
#include <webp/demux.h>

#include "facedetector/engine/decoding/ImageDecoder.h"

namespace facedetect {
namespace {

// Memory libjpeg may take for a picture held whole (a progressive or multi-scan file keeps
// every coefficient: about 2 bytes per sample); larger ones are refused, not decoded.
constexpr long JpegMemoryLimit = 192L << 20;
// Scans times blocks libjpeg may walk: every scan of a progressive file visits each block of
// its components, so a small file with thousands of scans could keep it busy for minutes.
constexpr long long JpegScanWork = 64LL << 20;

// libjpeg reports fatal errors through a callback that must not return: jump back out of the
// decoding function. That function holds no C++ objects of its own, so nothing is skipped.
struct JpegErrors {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool refused; // the picture is beyond our limits, not damaged
};

// Ends the decoding with our own reason (a format with one number); nothing here may need a
// destructor, as the jump skips it.
[[noreturn]] void Refuse(j_common_ptr info, const char *format, long long number)
{
    auto *errors = reinterpret_cast<JpegErrors *>(info->err);
    std::snprintf(errors->message, sizeof errors->message, format, number);
    errors->refused = true;
    std::longjmp(errors->jump, 1);
}

[[noreturn]] void OnJpegError(j_common_ptr info)
{
    // Without a backing store, libjpeg fails this way when the memory limit is reached.
    if (info->err->msg_code == JERR_NO_BACKING_STORE)
        Refuse(info, "the picture needs more than %lld MB to decode", JpegMemoryLimit >> 20);
    auto *errors = reinterpret_cast<JpegErrors *>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// Warnings that mean pixels are missing or wrong end the decoding; the others (extra bytes
// between segments, an odd colour transform tag) leave a complete picture, as GD sees it too.
void OnJpegMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return;
    switch (info->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
        OnJpegError(info);
    default:
        break;
    }
}

struct JpegProgress {
    jpeg_progress_mgr base;
    long long blocks = 0;
};

void OnJpegProgress(j_common_ptr info)
{
    auto *decompress = reinterpret_cast<j_decompress_ptr>(info);
    const auto *progress = reinterpret_cast<JpegProgress *>(info->progress);
    if (decompress->input_scan_number * progress->blocks > JpegScanWork)
        Refuse(info, "the picture has too many scans (%lld) for its size", decompress->input_scan_number);
}

// Decodes into `pixels` (RGB, or CMYK when `cmyk` comes back true). Returns an empty string on
// success, else the reason. Size checks that throw run in a separate function, so no exception
// crosses libjpeg's frames.
std::string DecodeJpegInto(std::span<const std::uint8_t> bytes, cv::Mat &pixels, bool &cmyk, bool &adobe, std::string &refusal)
{
    jpeg_decompress_struct info;
    JpegErrors errors;
    JpegProgress progress;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnJpegError;
    errors.base.emit_message = OnJpegMessage;
    errors.refused = false;
    progress.base.progress_monitor = OnJpegProgress;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        if (errors.refused)
            refusal = errors.message;
        return errors.message;
    }
    jpeg_create_decompress(&info);
    info.mem->max_memory_to_use = JpegMemoryLimit;
    info.progress = &progress.base;
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    // Refused on the header's word: starting the decompressor already allocates for the whole
    // picture (all of it, for a progressive file).
    try {
        CheckClaimBackedByData({info.image_width, info.image_height, info.num_components, info.data_precision}, bytes.size(),
                               DeflateExpansion);
    } catch (const DecodeError &error) {
        refusal = error.what();
    }
    if (!refusal.empty()) {
        jpeg_destroy_decompress(&info);
        return refusal;
    }
    for (int i = 0; i < info.num_components; ++i)
        progress.blocks += static_cast<long long>(info.comp_info[i].width_in_blocks) * info.comp_info[i].height_in_blocks;
    cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    adobe = info.saw_Adobe_marker;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGB;
    jpeg_start_decompress(&info);
    pixels = UninitialisedPicture(info.output_width, info.output_height, cmyk ? CV_8UC4 : CV_8UC3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels.ptr(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return {};
}

} // namespace

cv::Mat DecodeJpeg(std::span<const std::uint8_t> bytes)
{
    cv::Mat pixels;
    bool cmyk = false, adobe = false;
    std::string refusal;
    const std::string error = DecodeJpegInto(bytes, pixels, cmyk, adobe, refusal);
    if (!refusal.empty())
        throw DecodeError(refusal);
    if (!error.empty())
        throw DecodeError("the JPEG data is damaged: " + error);
    if (!cmyk)
        return pixels;
    // Adobe writes CMYK inverted (255 = no ink).
    cv::Mat rgb = UninitialisedPicture(pixels.cols, pixels.rows);
    for (int y = 0; y < pixels.rows; ++y) {
        const auto *in = pixels.ptr<cv::Vec4b>(y);
        auto *out = rgb.ptr<cv::Vec3b>(y);
        for (int x = 0; x < pixels.cols; ++x) {
            const int k = adobe ? in[x][3] : 255 - in[x][3];
            for (int c = 0; c < 3; ++c) {
                const int ink = adobe ? in[x][c] : 255 - in[x][c];
                out[x][c] = static_cast<std::uint8_t>(ink * k / 255);
            }
        }
    }
    return rgb;
}

namespace {
// The PNG without its text chunks (tEXt, zTXt, iTXt), which libpng would check and inflate
// before the pixels: a small file can hold thousands of them, each inflating to megabytes. A
// chunk before the pixels that claims to run past the end of the file is cut off with all that
// follows, as libpng would first allocate its claimed length. Empty when nothing was dropped.
std::vector<std::uint8_t> WithoutTextChunks(std::span<const std::uint8_t> bytes)
{
    constexpr std::size_t Signature = 8;
    if (bytes.size() < Signature)
        return {};
    auto is = [&bytes](std::size_t at, const char *type) { return std::memcmp(bytes.data() + at + 4, type, 4) == 0; };
    std::vector<std::uint8_t> kept(bytes.begin(), bytes.begin() + Signature);
    bool dropped = false;
    std::size_t at = Signature;
    while (bytes.size() - at >= 12) {
        const std::uint32_t length = std::uint32_t(bytes[at]) << 24 | std::uint32_t(bytes[at + 1]) << 16 |
                                     std::uint32_t(bytes[at + 2]) << 8 | bytes[at + 3];
        if (is(at, "IDAT")) // the pixels and what follows them as they are
            break;
        if (length > bytes.size() - at - 12)
            return kept; // the rest is cut off
        const bool text = is(at, "tEXt") || is(at, "zTXt") || is(at, "iTXt");
        if (!text)
            kept.insert(kept.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                        bytes.begin() + static_cast<std::ptrdiff_t>(at + 12 + length));
        dropped = dropped || text;
        at += 12 + length;
    }
    if (!dropped)
        return {};
    kept.insert(kept.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end());
    return kept;
}
} // namespace

cv::Mat DecodePng(std::span<const std::uint8_t> file)
{
    const std::vector<std::uint8_t> withoutText = WithoutTextChunks(file);
    const std::span<const std::uint8_t> bytes = withoutText.empty() ? file : std::span<const std::uint8_t>(withoutText);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    struct Release {
        png_image &image;
        ~Release() { png_image_free(&image); }
    } release{image};
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        throw DecodeError(std::string("the PNG data is damaged: ") + image.message);
    const bool indexed = image.format & PNG_FORMAT_FLAG_COLORMAP;
    CheckClaimBackedByData({image.width, image.height, indexed ? 1 : static_cast<long long>(PNG_IMAGE_SAMPLE_CHANNELS(image.format)),
                            indexed ? 8 : 8 * static_cast<long long>(PNG_IMAGE_SAMPLE_COMPONENT_SIZE(image.format))},
                           bytes.size(), DeflateExpansion);
    image.format = PNG_FORMAT_RGB;
    // A 16-bit picture without gamma data is not linear light, as libpng would assume, but
    // coded like an 8-bit one (GD keeps each sample's high byte): scale it, do not re-code it.
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    cv::Mat pixels = UninitialisedPicture(image.width, image.height);
    const png_color white{255, 255, 255}; // transparent parts as on a white page
    if (!png_image_finish_read(&image, &white, pixels.data, static_cast<png_int_32>(pixels.step), nullptr))
        throw DecodeError(std::string("the PNG data is damaged: ") + image.message);
    return pixels;
}

namespace {
// The first frame of an animated WEBP, as it shows on its canvas; transparent parts as on a
// white page, as for PNG.
cv::Mat DecodeWebpFirstFrame(std::span<const std::uint8_t> bytes, const WebPBitstreamFeatures &features)
{
    CheckClaimBackedByData({features.width, features.height, 4, 8}, bytes.size(), WebpExpansion);
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        throw DecodeError("the WEBP reader cannot start");
    options.color_mode = MODE_RGBA;
    options.use_threads = 0;
    const WebPData data{bytes.data(), bytes.size()};
    struct Free {
        void operator()(WebPAnimDecoder *decoder) const { WebPAnimDecoderDelete(decoder); }
    };
    const std::unique_ptr<WebPAnimDecoder, Free> decoder(WebPAnimDecoderNew(&data, &options));
    WebPAnimInfo info;
    if (!decoder || !WebPAnimDecoderGetInfo(decoder.get(), &info))
        throw DecodeError("the animated WEBP data is damaged");
    CheckClaimBackedByData({info.canvas_width, info.canvas_height, 4, 8}, bytes.size(), WebpExpansion);
    std::uint8_t *canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp) || !canvas)
        throw DecodeError("the animated WEBP data is damaged or ends early");
    cv::Mat pixels = UninitialisedPicture(info.canvas_width, info.canvas_height);
    for (std::uint32_t y = 0; y < info.canvas_height; ++y) {
        const std::uint8_t *in = canvas + static_cast<std::size_t>(y) * info.canvas_width * 4;
        auto *out = pixels.ptr<cv::Vec3b>(static_cast<int>(y));
        for (std::uint32_t x = 0; x < info.canvas_width; ++x, in += 4)
            for (int c = 0; c < 3; ++c) // over white
                out[x][c] = static_cast<std::uint8_t>((in[c] * in[3] + 255 * (255 - in[3]) + 127) / 255);
    }
    return pixels;
}
} // namespace

cv::Mat DecodeWebp(std::span<const std::uint8_t> bytes)
{
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(bytes.data(), bytes.size(), &features) != VP8_STATUS_OK)
        throw DecodeError("the WEBP data is damaged");
    if (features.has_animation)
        return DecodeWebpFirstFrame(bytes, features);
    CheckClaimBackedByData({features.width, features.height, features.has_alpha ? 4 : 3, 8}, bytes.size(), WebpExpansion);
    cv::Mat pixels = UninitialisedPicture(features.width, features.height);
    if (!WebPDecodeRGBInto(bytes.data(), bytes.size(), pixels.data, pixels.total() * pixels.elemSize(), static_cast<int>(pixels.step)))
        throw DecodeError("the WEBP data is damaged or ends early");
    return pixels;
}

namespace {

// libtiff reads the file through these, straight from memory.
struct TiffInput {
    std::span<const std::uint8_t> bytes;
    toff_t at = 0;
    std::string message;
};

tmsize_t TiffRead(thandle_t handle, void *out, tmsize_t wanted)
{
    auto *input = static_cast<TiffInput *>(handle);
    if (wanted < 0 || input->at >= input->bytes.size())
        return 0;
    const std::size_t count = std::min(static_cast<std::size_t>(wanted), static_cast<std::size_t>(input->bytes.size() - input->at));
    std::memcpy(out, input->bytes.data() + input->at, count);
    input->at += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t TiffWrite(thandle_t, void *, tmsize_t) { return 0; }

toff_t TiffSeek(thandle_t handle, toff_t offset, int whence)
{
    auto *input = static_cast<TiffInput *>(handle);
    const toff_t base = whence == SEEK_CUR ? input->at : whence == SEEK_END ? input->bytes.size() : 0;
    if (offset > std::numeric_limits<toff_t>::max() - base)
        return static_cast<toff_t>(-1);
    input->at = base + offset;
    return input->at;
}

int TiffClose(thandle_t) { return 0; }
toff_t TiffSize(thandle_t handle) { return static_cast<TiffInput *>(handle)->bytes.size(); }

int TiffMap(thandle_t handle, void **base, toff_t *size)
{
    auto *input = static_cast<TiffInput *>(handle);
    *base = const_cast<std::uint8_t *>(input->bytes.data()); // libtiff only reads a mapping opened for reading
    *size = input->bytes.size();
    return 1;
}

void TiffUnmap(thandle_t, void *, toff_t) {}

int OnTiffError(TIFF *, void *handle, const char *, const char *format, va_list arguments)
{
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    auto *input = static_cast<TiffInput *>(handle);
    if (input->message.empty())
        input->message = text;
    return 1;
}

int OnTiffWarning(TIFF *, void *, const char *, const char *, va_list) { return 1; }

} // namespace

cv::Mat DecodeTiff(std::span<const std::uint8_t> bytes)
{
    TiffInput input;
    input.bytes = bytes;
    struct OptionsFree {
        void operator()(TIFFOpenOptions *options) const { TIFFOpenOptionsFree(options); }
    };
    std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(MaxSampleBytes));
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnTiffError, &input);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnTiffWarning, &input);
    struct Closer {
        void operator()(TIFF *file) const { TIFFClose(file); }
    };
    std::unique_ptr<TIFF, Closer> file(TIFFClientOpenExt("picture", "r", &input, TiffRead, TiffWrite, TiffSeek, TiffClose, TiffSize,
                                                         TiffMap, TiffUnmap, options.get()));
    if (!file)
        throw DecodeError("the TIFF data is damaged: " + input.message);
    std::uint32_t width = 0, height = 0;
    std::uint16_t samples = 1, bits = 1;
    TIFFGetField(file.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(file.get(), TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(file.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(file.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    CheckClaimBackedByData({width, height, samples, bits}, bytes.size(), LzwExpansion);
    if (TIFFIsTiled(file.get())) { // a tile is decoded whole, however little of it the picture covers
        std::uint32_t tileWidth = 0, tileHeight = 0;
        TIFFGetField(file.get(), TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(file.get(), TIFFTAG_TILELENGTH, &tileHeight);
        CheckClaimBackedByData({tileWidth, tileHeight, samples, bits}, bytes.size(), LzwExpansion);
    }
    char reason[1024] = "";
    if (!TIFFRGBAImageOK(file.get(), reason))
        throw DecodeError(std::string("the TIFF picture is of a kind that cannot be decoded: ") + reason);
    struct ImageEnd {
        TIFFRGBAImage image;
        bool begun = false;
        ~ImageEnd()
        {
            if (begun)
                TIFFRGBAImageEnd(&image);
        }
    } rgba;
    if (!TIFFRGBAImageBegin(&rgba.image, file.get(), 1, reason))
        throw DecodeError(std::string("the TIFF data cannot be decoded: ") + reason);
    rgba.begun = true;
    rgba.image.req_orientation = ORIENTATION_TOPLEFT; // libtiff mirrors by the tag, as it always did here
    // Decoded a band of rows at a time into a small 4-byte buffer, then into the 3-byte picture:
    // the picture is never held at 4 bytes a pixel whole.
    constexpr std::size_t BandBytes = 32 << 20;
    const std::uint32_t bandRows = static_cast<std::uint32_t>(
        std::clamp<std::size_t>(BandBytes / 4 / width, 1, height));
    const std::unique_ptr<std::uint32_t[]> band(new std::uint32_t[static_cast<std::size_t>(width) * bandRows]);
    // Stored bottom-up, each band comes turned over on its own: its rows go to the other end.
    const std::uint16_t stored = rgba.image.orientation;
    const bool bottomUp = stored == ORIENTATION_BOTLEFT || stored == ORIENTATION_BOTRIGHT ||
                          stored == ORIENTATION_LEFTBOT || stored == ORIENTATION_RIGHTBOT;
    cv::Mat pixels = UninitialisedPicture(width, height);
    for (std::uint32_t top = 0; top < height; top += bandRows) {
        const std::uint32_t rows = std::min(bandRows, height - top);
        rgba.image.row_offset = static_cast<int>(top);
        rgba.image.col_offset = 0;
        if (!TIFFRGBAImageGet(&rgba.image, band.get(), width, rows) || !input.message.empty())
            throw DecodeError("the TIFF data is damaged or ends early: " + input.message);
        for (std::uint32_t y = 0; y < rows; ++y) {
            const std::uint32_t *in = band.get() + static_cast<std::size_t>(y) * width;
            auto *out = pixels.ptr<cv::Vec3b>(static_cast<int>(bottomUp ? height - top - rows + y : top + y));
            for (std::uint32_t x = 0; x < width; ++x)
                out[x] = cv::Vec3b(static_cast<std::uint8_t>(TIFFGetR(in[x])), static_cast<std::uint8_t>(TIFFGetG(in[x])),
                                   static_cast<std::uint8_t>(TIFFGetB(in[x])));
        }
    }
    return pixels;
}

} // namespace facedetect
