#include "facedetector/engine/cli/BmpWriter.h"

#include <array>
#include <cstdint>
#include <vector>

namespace facedetect {
namespace {

void Put(std::uint8_t *at, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

} // namespace

bool WriteBmp(const cv::Mat &rgb, std::ostream &out)
{
    constexpr int HeaderBytes = 14 + 40;
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(rgb.cols) * 3 + 3) / 4 * 4;
    const std::uint64_t fileBytes = HeaderBytes + rowBytes * static_cast<std::uint64_t>(rgb.rows);
    if (rgb.type() != CV_8UC3 || rgb.empty() || fileBytes > 0xFFFFFFFFu)
        return false;
    std::array<std::uint8_t, HeaderBytes> header{};
    header[0] = 'B';
    header[1] = 'M';
    Put(&header[2], fileBytes, 4);
    Put(&header[10], HeaderBytes, 4);
    Put(&header[14], 40, 4);
    Put(&header[18], static_cast<std::uint64_t>(rgb.cols), 4);
    Put(&header[22], static_cast<std::uint64_t>(rgb.rows), 4);
    Put(&header[26], 1, 2);  // planes
    Put(&header[28], 24, 2); // bits per pixel
    Put(&header[34], rowBytes * static_cast<std::uint64_t>(rgb.rows), 4);
    Put(&header[38], 2835, 4); // 72 dots per inch
    Put(&header[42], 2835, 4);
    out.write(reinterpret_cast<const char *>(header.data()), header.size());
    std::vector<std::uint8_t> row(rowBytes, 0);
    for (int y = rgb.rows - 1; y >= 0 && out; --y) {
        const auto *in = rgb.ptr<cv::Vec3b>(y);
        for (int x = 0; x < rgb.cols; ++x) { // BMP keeps blue, green, red
            row[3 * static_cast<std::size_t>(x)] = in[x][2];
            row[3 * static_cast<std::size_t>(x) + 1] = in[x][1];
            row[3 * static_cast<std::size_t>(x) + 2] = in[x][0];
        }
        out.write(reinterpret_cast<const char *>(row.data()), static_cast<std::streamsize>(row.size()));
    }
    out.flush();
    return static_cast<bool>(out);
}

} // namespace facedetect
