#include "video/VideoProbe.h"

#include "video/Libav.h"

#include <cmath>

namespace mirelon::video {

bool LooksLikeVideo(const std::string &path)
{
    av_log_set_level(AV_LOG_QUIET);
    return LooksLikeVideoContainer(path);
}

std::optional<VideoFacts> ProbeVideo(const std::string &path)
{
    av_log_set_level(AV_LOG_QUIET);
    int error = 0;
    const InputContext input = OpenInput(path, nullptr, error);
    if (!input)
        return std::nullopt;
    const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0)
        return std::nullopt;
    AVStream *stream = input->streams[index];
    if ((stream->disposition & AV_DISPOSITION_ATTACHED_PIC) || stream->codecpar->width <= 0 || stream->codecpar->height <= 0)
        return std::nullopt;
    VideoFacts facts;
    const bool sideways = StreamTurn(stream) % 180 != 0;
    facts.width = sideways ? stream->codecpar->height : stream->codecpar->width;
    facts.height = sideways ? stream->codecpar->width : stream->codecpar->height;
    const AVRational rate = av_guess_frame_rate(input.get(), stream, nullptr);
    facts.framesPerSecond = rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 0;
    if (stream->nb_frames > 0)
        facts.frames = stream->nb_frames;
    else if (stream->duration != AV_NOPTS_VALUE && facts.framesPerSecond > 0)
        facts.frames = std::llround(stream->duration * av_q2d(stream->time_base) * facts.framesPerSecond);
    facts.formatName = input->iformat->name;
    return facts;
}

} // namespace mirelon::video
