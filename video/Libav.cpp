#include "video/Libav.h"

#include "video/FrameOrientation.h"

extern "C" {
#include <libavutil/display.h>
}

#include <cstdio>
#include <cstring>
#include <vector>

namespace mirelon::video {
namespace {

// HEIF and AVIF pictures share MP4's box structure; their file-type brand tells them apart.
bool IsStillPictureBrand(const unsigned char *head, size_t size)
{
    if (size < 12 || std::memcmp(head + 4, "ftyp", 4) != 0)
        return false;
    const std::string brand(reinterpret_cast<const char *>(head + 8), 4);
    for (const char *still : {"avif", "avis", "heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1"})
        if (brand == still)
            return true;
    return false;
}

} // namespace

bool LooksLikeVideoContainer(const std::string &path)
{
    std::unique_ptr<FILE, int (*)(FILE *)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        return false;
    std::vector<unsigned char> head(4096 + AVPROBE_PADDING_SIZE, 0);
    const size_t size = std::fread(head.data(), 1, 4096, file.get());
    AVProbeData probe{};
    probe.filename = path.c_str();
    probe.buf = head.data();
    probe.buf_size = int(size);
    return !IsStillPictureBrand(head.data(), size) && IsVideoContainer(av_probe_input_format(&probe, 1));
}

InputContext OpenInput(const std::string &path, const AVIOInterruptCB *interrupt, int &error)
{
    AVFormatContext *raw = avformat_alloc_context();
    if (!raw) {
        error = AVERROR(ENOMEM);
        return nullptr;
    }
    if (interrupt)
        raw->interrupt_callback = *interrupt;
    if (!LooksLikeVideoContainer(path)) {
        avformat_free_context(raw);
        error = AVERROR_INVALIDDATA;
        return nullptr;
    }
    error = avformat_open_input(&raw, path.c_str(), nullptr, nullptr); // frees raw on failure
    if (error < 0) {
        if (error == AVERROR_INVALIDDATA)
            error = DamagedContainer;
        return nullptr;
    }
    InputContext input(raw);
    if (!IsVideoContainer(input->iformat)) {
        error = AVERROR_INVALIDDATA;
        return nullptr;
    }
    error = avformat_find_stream_info(input.get(), nullptr);
    if (error < 0)
        return nullptr;
    return input;
}

int StreamTurn(const AVStream *stream)
{
    size_t size = 0;
    const uint8_t *matrix = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (!matrix || size < 9 * sizeof(int32_t))
        return 0;
    return ClockwiseTurnFromDegrees(av_display_rotation_get(reinterpret_cast<const int32_t *>(matrix)));
}

bool IsVideoContainer(const AVInputFormat *format)
{
    if (!format || !format->name)
        return false;
    const std::string name = format->name;
    return name.rfind("mov,", 0) == 0 || name.rfind("matroska", 0) == 0 || name == "avi";
}

} // namespace mirelon::video
