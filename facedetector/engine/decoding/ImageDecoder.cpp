#include "facedetector/engine/decoding/ImageDecoder.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "facedetector/engine/decoding/BmpDecoder.h"
#include "facedetector/engine/decoding/CodecDecoders.h"
#include "facedetector/engine/decoding/GifDecoder.h"

namespace facedetect {
namespace {

std::string SizeText(const PictureClaim &claim)
{
    return std::to_string(claim.width) + " x " + std::to_string(claim.height) + " pixels";
}

} // namespace

std::uint64_t CheckPictureSize(const PictureClaim &claim)
{
    if (claim.width <= 0 || claim.height <= 0)
        throw DecodeError("the picture has no pixels");
    if (claim.samples <= 0 || claim.bitsPerSample <= 0)
        throw DecodeError("the picture has no samples");
    // Each factor is checked before the next multiplication, so no product can overflow.
    if (claim.width > MaxPicturePixels || claim.height > MaxPicturePixels || claim.width * claim.height > MaxPicturePixels)
        throw DecodeError("the picture is too large (" + SizeText(claim) + ")");
    const auto pixels = static_cast<std::uint64_t>(claim.width * claim.height);
    const auto bytesPerSample = static_cast<std::uint64_t>((claim.bitsPerSample + 7) / 8);
    if (static_cast<std::uint64_t>(claim.samples) > MaxSampleBytes || bytesPerSample > MaxSampleBytes ||
        pixels * static_cast<std::uint64_t>(claim.samples) > MaxSampleBytes / bytesPerSample)
        throw DecodeError("the picture is too large (" + SizeText(claim) + ", " + std::to_string(claim.samples) +
                          " samples of " + std::to_string(claim.bitsPerSample) + " bits)");
    const std::uint64_t bits = pixels * static_cast<std::uint64_t>(claim.samples) * static_cast<std::uint64_t>(claim.bitsPerSample);
    return (bits + 7) / 8;
}

std::uint64_t CheckClaimBackedByData(const PictureClaim &claim, std::size_t codedBytes, unsigned maxExpansion)
{
    const std::uint64_t stored = CheckPictureSize(claim);
    const std::uint64_t decoded = std::max(stored, static_cast<std::uint64_t>(claim.width * claim.height) * 3);
    if (decoded > UnbackedBytes && stored / maxExpansion > codedBytes)
        throw DecodeError("the file is too small for the picture it claims (" + SizeText(claim) + " in " +
                          std::to_string(codedBytes) + " bytes)");
    return stored;
}

std::vector<std::uint8_t> ReadPictureFile(const std::string &path)
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

cv::Mat UninitialisedPicture(long long width, long long height, int type)
{
    // cv::Mat takes its memory from malloc without writing it; large blocks are fresh pages.
    return cv::Mat(static_cast<int>(height), static_cast<int>(width), type);
}

cv::Mat DecodeImageBytes(std::span<const std::uint8_t> data)
{
    if (data.empty())
        throw DecodeError("the file is empty");
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
        return DecodeTiff(data);
    throw DecodeError("the file is not a picture in a format the detector reads (PNG, JPEG, GIF, BMP, WEBP, TIFF)");
}


} // namespace facedetect
