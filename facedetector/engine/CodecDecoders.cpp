#include "facedetector/engine/CodecDecoders.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#include <webp/decode.h>

#include "facedetector/engine/ImageDecoder.h"

namespace facedetect {
namespace {

// libjpeg reports fatal errors through a callback that must not return: jump back out of the
// decoding function. That function holds no C++ objects of its own, so nothing is skipped.
struct JpegErrors {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr info)
{
    auto *errors = reinterpret_cast<JpegErrors *>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

void OnJpegMessage(j_common_ptr, int)
{
    // Warnings (a truncated file, say) are no reason to fail: GD decodes such files too.
}

// Decodes into `pixels` (RGB, or CMYK when `cmyk` comes back true). Returns an empty string on
// success, else libjpeg's message.
std::string DecodeJpegInto(std::span<const std::uint8_t> bytes, cv::Mat &pixels, bool &cmyk, bool &adobe)
{
    jpeg_decompress_struct info;
    JpegErrors errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnJpegError;
    errors.base.emit_message = OnJpegMessage;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return errors.message;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    // Refused on the header's word: starting the decompressor already allocates for the whole
    // picture (all of it, for a progressive file).
    if (info.image_width == 0 || info.image_height == 0 ||
        static_cast<long long>(info.image_width) * info.image_height > MaxPicturePixels) {
        jpeg_destroy_decompress(&info);
        return "the picture has no pixels or is too large";
    }
    cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    adobe = info.saw_Adobe_marker;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGB;
    jpeg_start_decompress(&info);
    pixels.create(static_cast<int>(info.output_height), static_cast<int>(info.output_width), cmyk ? CV_8UC4 : CV_8UC3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels.ptr(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return {};
}

thread_local std::string tiffMessage;

void OnTiffError(const char *, const char *format, va_list arguments)
{
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    tiffMessage = text;
}

} // namespace

cv::Mat DecodeJpeg(std::span<const std::uint8_t> bytes)
{
    cv::Mat pixels;
    bool cmyk = false, adobe = false;
    const std::string error = DecodeJpegInto(bytes, pixels, cmyk, adobe);
    if (!error.empty())
        throw DecodeError("the JPEG data is damaged: " + error);
    if (!cmyk)
        return pixels;
    // Adobe writes CMYK inverted (255 = no ink).
    cv::Mat bgr(pixels.rows, pixels.cols, CV_8UC3);
    for (int y = 0; y < pixels.rows; ++y) {
        const auto *in = pixels.ptr<cv::Vec4b>(y);
        auto *out = bgr.ptr<cv::Vec3b>(y);
        for (int x = 0; x < pixels.cols; ++x) {
            const int k = adobe ? in[x][3] : 255 - in[x][3];
            for (int c = 0; c < 3; ++c) {
                const int ink = adobe ? in[x][c] : 255 - in[x][c];
                out[x][c] = static_cast<std::uint8_t>(ink * k / 255);
            }
        }
    }
    return bgr;
}

cv::Mat DecodePng(std::span<const std::uint8_t> bytes)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        throw DecodeError(std::string("the PNG data is damaged: ") + image.message);
    CheckPictureSize(image.width, image.height);
    image.format = PNG_FORMAT_RGB;
    cv::Mat pixels(static_cast<int>(image.height), static_cast<int>(image.width), CV_8UC3);
    const png_color white{255, 255, 255}; // transparent parts as on a white page
    if (!png_image_finish_read(&image, &white, pixels.data, static_cast<png_int_32>(pixels.step), nullptr)) {
        const std::string message = image.message;
        png_image_free(&image);
        throw DecodeError("the PNG data is damaged: " + message);
    }
    return pixels;
}

cv::Mat DecodeWebp(std::span<const std::uint8_t> bytes)
{
    int width = 0, height = 0;
    if (!WebPGetInfo(bytes.data(), bytes.size(), &width, &height))
        throw DecodeError("the WEBP data is damaged");
    CheckPictureSize(width, height);
    cv::Mat pixels(height, width, CV_8UC3);
    if (!WebPDecodeRGBInto(bytes.data(), bytes.size(), pixels.data, pixels.total() * pixels.elemSize(), static_cast<int>(pixels.step)))
        throw DecodeError("the WEBP data is damaged or animated");
    return pixels;
}

cv::Mat DecodeTiff(const std::string &path)
{
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandler(OnTiffError);
    tiffMessage.clear();
    struct Closer {
        void operator()(TIFF *file) const { TIFFClose(file); }
    };
    std::unique_ptr<TIFF, Closer> file(TIFFOpen(path.c_str(), "r"));
    if (!file)
        throw DecodeError("the TIFF data is damaged: " + tiffMessage);
    std::uint32_t width = 0, height = 0;
    TIFFGetField(file.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(file.get(), TIFFTAG_IMAGELENGTH, &height);
    CheckPictureSize(width, height);
    std::vector<std::uint32_t> raster(static_cast<std::size_t>(width) * height);
    if (!TIFFReadRGBAImageOriented(file.get(), width, height, raster.data(), ORIENTATION_TOPLEFT, 0))
        throw DecodeError("the TIFF data cannot be decoded: " + tiffMessage);
    cv::Mat pixels(static_cast<int>(height), static_cast<int>(width), CV_8UC3);
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint32_t *in = raster.data() + static_cast<std::size_t>(y) * width;
        auto *out = pixels.ptr<cv::Vec3b>(static_cast<int>(y));
        for (std::uint32_t x = 0; x < width; ++x)
            out[x] = cv::Vec3b(static_cast<std::uint8_t>(TIFFGetR(in[x])), static_cast<std::uint8_t>(TIFFGetG(in[x])),
                               static_cast<std::uint8_t>(TIFFGetB(in[x])));
    }
    return pixels;
}

} // namespace facedetect
