#pragma once
// Owning handles for the FFmpeg library objects video works with, and its error text.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <string>

namespace mirelon::video {

struct InputCloser {
    void operator()(AVFormatContext *context) const { avformat_close_input(&context); }
};
struct OutputCloser {
    void operator()(AVFormatContext *context) const
    {
        if (context->pb && !(context->oformat->flags & AVFMT_NOFILE))
            avio_closep(&context->pb);
        avformat_free_context(context);
    }
};
struct CodecCloser {
    void operator()(AVCodecContext *context) const { avcodec_free_context(&context); }
};
struct FrameFreer {
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};
struct PacketFreer {
    void operator()(AVPacket *packet) const { av_packet_free(&packet); }
};
struct ScalerFreer {
    void operator()(SwsContext *context) const { sws_freeContext(context); }
};
struct DictionaryFreer {
    void operator()(AVDictionary *dictionary) const { av_dict_free(&dictionary); }
};

using InputContext = std::unique_ptr<AVFormatContext, InputCloser>;
using OutputContext = std::unique_ptr<AVFormatContext, OutputCloser>;
using CodecContext = std::unique_ptr<AVCodecContext, CodecCloser>;
using Frame = std::unique_ptr<AVFrame, FrameFreer>;
using Packet = std::unique_ptr<AVPacket, PacketFreer>;
using Scaler = std::unique_ptr<SwsContext, ScalerFreer>;

// The library's text for an error code ("Invalid data found when processing input").
inline std::string AvErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// OpenInput's error for a file whose start is a video container but which cannot be opened.
constexpr int DamagedContainer = FFERRTAG('M', 'D', 'M', 'G');

// Opens a file for reading, headers and stream facts read; null with `error` set on failure.
// `interrupt` (may be null) ends blocking reads when it returns non-zero.
InputContext OpenInput(const std::string &path, const AVIOInterruptCB *interrupt, int &error);

// The clockwise turn (0, 90, 180, 270) a player applies to the stream's frames.
int StreamTurn(const AVStream *stream);

// Whether the start of the file names a container video handles (whether or not the rest can
// be read); a HEIF or AVIF picture, though in MP4's boxes, does not.
bool LooksLikeVideoContainer(const std::string &path);

// Whether the demuxer is one of the containers video handles (MP4/MOV, Matroska/WebM, AVI).
bool IsVideoContainer(const AVInputFormat *format);

} // namespace mirelon::video
