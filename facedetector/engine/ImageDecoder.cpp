#include "facedetector/engine/ImageDecoder.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "facedetector/engine/BmpDecoder.h"
#include "facedetector/engine/CodecDecoders.h"
#include "facedetector/engine/GifDecoder.h"

namespace facedetect {
namespace {

std::vector<std::uint8_t> ReadWholeFile(const std::string &path)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        throw DecodeError("the path is a folder, not a file");
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw DecodeError("cannot open the file: " + std::string(std::strerror(errno)));
    std::vector<std::uint8_t> bytes;
    file.seekg(0, std::ios::end);
    const auto size = file.tellg();
    if (size < 0)
        throw DecodeError("cannot read the file");
    if (size > INT_MAX)
        throw DecodeError("the file is larger than 2 GB");
    bytes.resize(static_cast<std::size_t>(size));
    file.seekg(0, std::ios::beg);
    if (!bytes.empty() && !file.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        throw DecodeError("cannot read the file");
    return bytes;
}

} // namespace

void CheckPictureSize(long long width, long long height)
{
    if (width <= 0 || height <= 0)
        throw DecodeError("the picture has no pixels");
    if (width * height > MaxPicturePixels)
        throw DecodeError("the picture is too large (" + std::to_string(width) + " x " + std::to_string(height) + " pixels)");
}

cv::Mat DecodeImageFile(const std::string &path)
{
    std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    if (bytes.empty())
        throw DecodeError("the file is empty");
    const std::span<const std::uint8_t> data(bytes);
    auto startsWith = [&data](std::initializer_list<std::uint8_t> signature, std::size_t at = 0) {
        return data.size() >= at + signature.size() && std::equal(signature.begin(), signature.end(), data.begin() + static_cast<std::ptrdiff_t>(at));
    };
    if (startsWith({0xFF, 0xD8, 0xFF}))
        return DecodeJpeg(data);
    if (startsWith({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}))
        return DecodePng(data);
    if (LooksLikeGif(data))
        return DecodeGif(data);
    if (LooksLikeBmp(data))
        return DecodeBmp(data);
    if (startsWith({'R', 'I', 'F', 'F'}) && startsWith({'W', 'E', 'B', 'P'}, 8))
        return DecodeWebp(data);
    if (startsWith({'I', 'I', 42, 0}) || startsWith({'M', 'M', 0, 42}))
        return DecodeTiff(path);
    throw DecodeError("the file is not a picture in a format the detector reads (PNG, JPEG, GIF, BMP, WEBP, TIFF)");
}

} // namespace facedetect
