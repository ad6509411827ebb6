#include "video/Libav.h"

#include "video/FrameOrientation.h"

extern "C" {
#include <libavutil/display.h>
}

#include <cstdio>
#include <cstring>
#include <vector>

namespace mirelon::video {
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
    return IsVideoContainer(av_probe_input_format(&probe, 1));
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
    error = avformat_open_input(&raw, path.c_str(), nullptr, nullptr); // frees raw on failure
    if (error < 0) {
        if (error == AVERROR_INVALIDDATA && LooksLikeVideoContainer(path))
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
