#include "video/Libav.h"

#include "video/FrameOrientation.h"

extern "C" {
#include <libavutil/display.h>
}

#include <cstring>

namespace mirelon::video {

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
    if (error < 0)
        return nullptr;
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
