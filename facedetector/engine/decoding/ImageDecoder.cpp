#include "facedetector/engine/decoding/ImageDecoder.h"

#include <algorithm>
#include <string>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "facedetector/engine/decoding/BmpDecoder.h"
#include "facedetector/engine/decoding/CodecDecoders.h"
#include "facedetector/engine/decoding/GifDecoder.h"
#include "facedetector/engine/decoding/HeifDecoder.h"

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
    const auto rgb = static_cast<std::uint64_t>(claim.width * claim.height) * 3;
    if ((decoded > UnbackedBytes && stored / maxExpansion > codedBytes) ||
        (rgb > LargePictureBytes && rgb / PlausibleLargeRatio > codedBytes))
        throw DecodeError("the file is too small for the picture it claims (" + SizeText(claim) + " in " +
                          std::to_string(codedBytes) + " bytes)");
    return stored;
}

std::vector<std::uint8_t> ReadPictureFile(const std::string &path)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        throw DecodeError("the path is a folder, not a file");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw DecodeError("cannot open the file: " + std::string(std::strerror(errno)));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        throw DecodeError("the path is not a regular file");
    const auto size = static_cast<std::uint64_t>(status.st_size);
    if (size > MaxPictureFileBytes)
        throw DecodeError("the file is larger than " + std::to_string(MaxPictureFileBytes >> 20) + " MB");
    // A file system that stores holes reports fewer blocks than the size needs: a picture file of
    // megabytes that is mostly holes is not read through.
    constexpr std::uint64_t HoleCheckBytes = 16 << 20;
    if (size > HoleCheckBytes && static_cast<std::uint64_t>(status.st_blocks) * 512 < size / 8)
        throw DecodeError("the file is mostly empty space (" + std::to_string(size >> 20) + " MB, of which " +
                          std::to_string(static_cast<std::uint64_t>(status.st_blocks) * 512 >> 20) + " MB stored)");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            throw DecodeError("cannot read the file");
        done += static_cast<std::size_t>(count);
    }
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
    if (startsWith({'I', 'I', 42, 0}) || startsWith({'M', 'M', 0, 42}) || startsWith({'I', 'I', 43, 0}) ||
        startsWith({'M', 'M', 0, 43})) // classic TIFF, BigTIFF
        return DecodeTiff(data);
    if (LooksLikeHeif(data))
        return DecodeHeif(data);
    throw DecodeError("the file is not a picture in a format the detector reads (PNG, JPEG, GIF, BMP, WEBP, TIFF, HEIF, AVIF)");
}


} // namespace facedetect
