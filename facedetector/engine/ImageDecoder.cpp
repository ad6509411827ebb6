#include "facedetector/engine/ImageDecoder.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include <opencv2/imgcodecs.hpp>

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

cv::Mat DecodeImageFile(const std::string &path)
{
    std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    if (bytes.empty())
        throw DecodeError("the file is empty");
    if (LooksLikeGif(bytes))
        return DecodeGif(bytes);

    cv::Mat picture;
    try {
        const cv::Mat encoded(1, static_cast<int>(bytes.size()), CV_8UC1, bytes.data());
        picture = cv::imdecode(encoded, cv::IMREAD_COLOR | cv::IMREAD_IGNORE_ORIENTATION);
    } catch (const cv::Exception &) {
        picture.release();
    }
    if (picture.empty())
        throw DecodeError("the file is not a picture in a format the detector reads (PNG, JPEG, GIF, BMP, WEBP, TIFF)");
    return picture;
}

} // namespace facedetect
