#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

namespace facedetect {

// A picture that cannot be read or decoded.
class DecodeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Largest picture decoded (about 16000 x 15000 pixels); larger ones are refused before any
// pixel memory is taken, so a forged header cannot exhaust the machine's memory.
constexpr long long MaxPicturePixels = 250'000'000;
// Largest amount of stored samples (width x height x samples x bytes per sample) a decoder may
// hold at once: bounds what a codec library allocates for, say, a TIFF with many samples.
constexpr std::uint64_t MaxSampleBytes = std::uint64_t(1) << 30;
// Pictures up to this many decoded bytes (8-bit RGB) are decoded whatever their file size;
// larger ones must be backed by enough data (see CheckClaimBackedByData).
constexpr std::uint64_t UnbackedBytes = std::uint64_t(16) << 20;

// The most a byte of coded data can expand to in stored sample bytes, per coding: a claimed
// picture beyond that is larger than its file can hold.
constexpr unsigned DeflateExpansion = 1032;  // also JPEG's Huffman coding: a bit or two per block
constexpr unsigned LzwExpansion = 2731;      // 4096-entry strings per 12-bit code
constexpr unsigned RunLengthExpansion = 128; // a BMP run: 255 pixels in 2 bytes
constexpr unsigned WebpExpansion = 1 << 17;  // no firm bound: a blank lossless picture reaches 70 000:1

// A large picture costs the search seconds and hundreds of megabytes whatever its file holds.
// Beyond LargePictureBytes of decoded 8-bit RGB it must come from a file of at least
// 1 / PlausibleLargeRatio of that: photos stay far below the ratio (a blank JPEG reaches about
// 400:1), while a few kilobytes claiming a quarter of a billion pixels hold nothing worth searching.
constexpr std::uint64_t LargePictureBytes = std::uint64_t(128) << 20;
constexpr unsigned PlausibleLargeRatio = 1000;

// Largest picture file read: checked before reading, so a sparse file of gigabytes costs nothing.
constexpr std::uint64_t MaxPictureFileBytes = std::uint64_t(1) << 30;

// The size and layout of a picture as its header states it.
struct PictureClaim {
    long long width = 0;
    long long height = 0;
    long long samples = 3;       // per pixel, as stored
    long long bitsPerSample = 8; // as stored
};

// Throws DecodeError unless the claimed picture is one we decode: it has pixels, at most
// MaxPicturePixels of them and at most MaxSampleBytes of samples. Returns its stored size in
// bytes (rounded up), computed without overflow for any header values.
std::uint64_t CheckPictureSize(const PictureClaim &claim);

// CheckPictureSize, then throws DecodeError when the picture's decoded size (its stored
// samples or its 8-bit RGB pixels, whichever is larger) is over UnbackedBytes and its stored
// samples are more than `codedBytes` of data can expand to at `maxExpansion`, or when its 8-bit
// RGB pixels are over LargePictureBytes and more than PlausibleLargeRatio times `codedBytes`: a
// tiny file claiming a huge picture is refused before memory is taken for it.
std::uint64_t CheckClaimBackedByData(const PictureClaim &claim, std::size_t codedBytes, unsigned maxExpansion);

// A picture of the given size whose memory is not touched before the decoder writes it, so
// that pages are committed only as decoded data arrives.
cv::Mat UninitialisedPicture(long long width, long long height, int type = CV_8UC3);

// Decodes a picture held in memory (PNG, JPEG, GIF, BMP, WEBP, TIFF or BigTIFF, HEIF or AVIF,
// told apart by content, not by name) into 8-bit RGB. Orientation tags are ignored, so the pixel grid is the stored
// one, as GD decodes it. Throws DecodeError with a message naming the cause.
cv::Mat DecodeImageBytes(std::span<const std::uint8_t> bytes);

// The bytes of a picture file, read whole: at most MaxPictureFileBytes, and not a file that is
// mostly holes (its size is checked before anything is read). Throws DecodeError naming the cause.
std::vector<std::uint8_t> ReadPictureFile(const std::string &path);

} // namespace facedetect
