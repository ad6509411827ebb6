#include "video/VideoProcessing.h"

#include "video/FrameCover.h"
#include "video/FrameMotion.h"
#include "video/FrameOrientation.h"
#include "video/Libav.h"
#include "video/TemporalCover.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <future>
#include <map>
#include <thread>

namespace mirelon::video {
namespace {

[[noreturn]] void Fail(const std::string &message)
{
    throw VideoError(message);
}

int StopRequested(void *settings)
{
    const std::atomic<bool> *stop = static_cast<const VideoSettings *>(settings)->stop;
    return stop && stop->load() ? 1 : 0;
}

// The muxer for the output: the one its extension names when that is the input's container,
// else the input's own container.
const AVOutputFormat *OutputFormatFor(const std::string &output, const AVInputFormat *input)
{
    const std::string inputName = input->name;
    const std::string family = inputName.rfind("mov,", 0) == 0 ? "mov" : inputName.rfind("matroska", 0) == 0 ? "matroska" : "avi";
    if (const AVOutputFormat *byName = av_guess_format(nullptr, output.c_str(), nullptr)) {
        const std::string name = byName->name;
        const bool sameFamily = family == "mov" ? (name == "mov" || name == "mp4" || name == "ipod" || name == "3gp")
                                                : family == "matroska" ? (name == "matroska" || name == "webm")
                                                                       : name == "avi";
        if (sameFamily)
            return byName;
    }
    return av_guess_format(family.c_str(), nullptr, nullptr);
}

// Encoders chosen by name where FFmpeg knows several for a codec: the fast, good one first.
const AVCodec *EncoderFor(AVCodecID id)
{
    const char *preferred = id == AV_CODEC_ID_H264 ? "libx264"
                          : id == AV_CODEC_ID_HEVC ? "libx265"
                          : id == AV_CODEC_ID_VP8 ? "libvpx"
                          : id == AV_CODEC_ID_VP9 ? "libvpx-vp9"
                          : id == AV_CODEC_ID_AV1 ? "libsvtav1"
                                                  : nullptr;
    if (preferred)
        if (const AVCodec *codec = avcodec_find_encoder_by_name(preferred))
            return codec;
    return avcodec_find_encoder(id);
}

bool Accepts(const AVOutputFormat *format, AVCodecID id)
{
    return avformat_query_codec(format, id, FF_COMPLIANCE_NORMAL) == 1;
}

// The input's codec where there is an encoder for it that the container takes, else H.264
// (VP9 in WebM, which takes nothing else of ours).
const AVCodec *ChooseEncoder(AVCodecID input, const AVOutputFormat *format)
{
    if (const AVCodec *same = EncoderFor(input); same && Accepts(format, input))
        return same;
    for (const AVCodecID fallback : {AV_CODEC_ID_H264, AV_CODEC_ID_VP9})
        if (const AVCodec *codec = EncoderFor(fallback); codec && Accepts(format, fallback))
            return codec;
    Fail("no video encoder for this container");
}

// Quality that keeps the picture as it was to the eye: constant-quality modes near the top of
// each encoder's range.
void SetQuality(AVCodecContext *encoder, const AVCodec *codec, AVDictionary **options)
{
    const std::string name = codec->name;
    if (name == "libx264") {
        av_dict_set(options, "crf", "18", 0);
        av_dict_set(options, "preset", "medium", 0);
        // The encoder looks 40 frames ahead by default and runs half as many frame threads
        // again as there are cores: at 1080p that alone holds half a gigabyte. Ten frames ahead
        // and a thread a core keep it near 250 MB, for a file a few percent larger at the same
        // quality.
        av_dict_set(options, "rc-lookahead", "10", 0);
        encoder->thread_count = int(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
    } else if (name == "libx265") {
        av_dict_set(options, "crf", "20", 0);
        av_dict_set(options, "preset", "medium", 0);
        av_dict_set(options, "x265-params", "log-level=error", 0);
    } else if (name == "libvpx") {
        av_dict_set(options, "crf", "10", 0);
        encoder->bit_rate = std::max<int64_t>(1000000, int64_t(encoder->width) * encoder->height * 8);
    } else if (name == "libvpx-vp9") {
        av_dict_set(options, "crf", "24", 0);
        av_dict_set(options, "b", "0", 0);
        av_dict_set(options, "row-mt", "1", 0);
        av_dict_set(options, "cpu-used", "4", 0);
    } else if (name == "libsvtav1") {
        av_dict_set(options, "crf", "30", 0);
        av_dict_set(options, "preset", "8", 0);
    } else if (name == "libaom-av1") {
        av_dict_set(options, "crf", "30", 0);
        av_dict_set(options, "cpu-used", "8", 0);
        av_dict_set(options, "row-mt", "1", 0);
    } else {
        encoder->flags |= AV_CODEC_FLAG_QSCALE;
        encoder->global_quality = FF_QP2LAMBDA * 2;
    }
}

// Per-stream metadata kept: the language only; titles, handlers, dates, places and devices go.
void CopyLanguage(const AVStream *from, AVStream *to)
{
    if (const AVDictionaryEntry *language = av_dict_get(from->metadata, "language", nullptr, 0))
        av_dict_set(&to->metadata, "language", language->value, 0);
}

bool IsCopiedStream(const AVStream *stream)
{
    const AVMediaType type = stream->codecpar->codec_type;
    return (type == AVMEDIA_TYPE_AUDIO || type == AVMEDIA_TYPE_SUBTITLE) && !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC);
}

// A frame waiting for the frames after it, which may carry faces it must cover too.
struct PendingFrame {
    Frame frame;   // in the encoder's pixel format and size
    cv::Mat rgb;   // the same picture, stored orientation, while it is searched or covered
    std::int64_t number = 0; // from 1
    double seconds = 0;
    cv::Point2d contentShift; // of the upright frame since the first one (FrameMotion)
};

// A frame whose search is under way.
struct SearchedFrame {
    PendingFrame pending;
    std::future<std::vector<FaceBox>> faces;
};

// The finer scales are searched in turns of at most this many frames, and never longer than
// the temporal cover reaches: it is what covers a face in the frames between.
constexpr int LongestSearchTurn = 4;

class VideoJob {
public:
    VideoJob(const std::string &input, const std::string &output, const VideoSettings &settings, const FindFaces &findFaces,
             const FrameProgress &progress)
        : inputPath_(input), outputPath_(output), settings_(settings), findFaces_(findFaces), progress_(progress)
    {
    }

    void run()
    {
        openInput();
        if (settings_.action == VideoAction::Export)
            openText();
        else
            openOutput();
        Packet packet(av_packet_alloc());
        if (!packet)
            Fail("out of memory");
        for (;;) {
            checkStop();
            const int read = av_read_frame(input_.get(), packet.get());
            if (read == AVERROR_EOF)
                break;
            if (read < 0)
                Fail(StopRequested(const_cast<VideoSettings *>(&settings_)) ? "stopped" : "the video is damaged: " + AvErrorText(read));
            if (packet->stream_index == videoIndex_) {
                ++videoPackets_;
                decode(packet.get());
            } else if (settings_.action != VideoAction::Export && streamMap_.count(packet->stream_index)) {
                const int target = streamMap_[packet->stream_index];
                av_packet_rescale_ts(packet.get(), input_->streams[packet->stream_index]->time_base, output_->streams[target]->time_base);
                shiftByCodecDelay(packet.get(), target);
                packet->stream_index = target;
                packet->pos = -1;
                write(packet.get());
            }
            av_packet_unref(packet.get());
        }
        decode(nullptr);
        checkWhole();
        while (!searching_.empty())
            takeSearched();
        searchLastFramesWhole();
        cover_->finish();
        totalFrames_ = decodedFrames_; // the count the container gave may have been off
        finishReadyFrames();
        if (settings_.action == VideoAction::Export)
            closeText();
        else
            closeOutput();
    }

private:
    void checkStop() const
    {
        if (settings_.stop && settings_.stop->load())
            Fail("stopped");
    }

    void openInput()
    {
        const AVIOInterruptCB interrupt{&StopRequested, const_cast<VideoSettings *>(&settings_)};
        int error = 0;
        input_ = OpenInput(inputPath_, &interrupt, error);
        if (!input_)
            Fail(error == AVERROR_INVALIDDATA ? "the file is not a video in a format Mirelon reads"
                 : error == DamagedContainer  ? "the video is damaged or cut short"
                                              : "cannot read the video: " + AvErrorText(error));
        const AVCodec *decoder = nullptr;
        videoIndex_ = av_find_best_stream(input_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
        if (videoIndex_ == AVERROR_DECODER_NOT_FOUND) {
            const int any = av_find_best_stream(input_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
            Fail("unsupported video codec " + std::string(avcodec_get_name(input_->streams[any]->codecpar->codec_id)));
        }
        if (videoIndex_ < 0 || (input_->streams[videoIndex_]->disposition & AV_DISPOSITION_ATTACHED_PIC))
            Fail("the file holds no video stream");
        stream_ = input_->streams[videoIndex_];
        const AVCodecParameters *parameters = stream_->codecpar;
        if (parameters->width <= 0 || parameters->height <= 0 || parameters->width > 16384 || parameters->height > 16384)
            Fail("the video's frame size is not one Mirelon handles");
        decoder_.reset(avcodec_alloc_context3(decoder));
        if (!decoder_ || avcodec_parameters_to_context(decoder_.get(), parameters) < 0)
            Fail("out of memory");
        decoder_->pkt_timebase = stream_->time_base;
        // Slices, not frames, in parallel: with frame threads a damaged MPEG-4 part 2 frame ends in an
        // assertion inside the library (found by fuzzing) instead of an error.
        decoder_->thread_count = 0;
        decoder_->thread_type = FF_THREAD_SLICE;
        decoder_->err_recognition |= AV_EF_EXPLODE; // a damaged frame ends the video, it is not patched over
        if (const int error = avcodec_open2(decoder_.get(), decoder, nullptr); error < 0)
            Fail("unsupported video codec " + std::string(decoder->name) + ": " + AvErrorText(error));
        turn_ = StreamTurn(stream_);
        frameRate_ = av_guess_frame_rate(input_.get(), stream_, nullptr);
        const double fps = frameRate_.num > 0 && frameRate_.den > 0 ? av_q2d(frameRate_) : 25.0;
        cover_ = std::make_unique<TemporalCover>(ReachInFrames(settings_.coverSeconds, fps));
        searchTurn_ = std::clamp(cover_->reach(), 1, LongestSearchTurn);
        framesAtOnce_ = settings_.framesAtOnce ? settings_.framesAtOnce : std::max(1u, std::thread::hardware_concurrency());
        startTime_ = stream_->start_time != AV_NOPTS_VALUE ? stream_->start_time : 0;
        if (stream_->nb_frames > 0)
            totalFrames_ = stream_->nb_frames;
        else if (stream_->duration != AV_NOPTS_VALUE)
            totalFrames_ = std::llround(stream_->duration * av_q2d(stream_->time_base) * fps);
        else if (input_->duration != AV_NOPTS_VALUE)
            totalFrames_ = std::llround(input_->duration / double(AV_TIME_BASE) * fps);
    }

    void openOutput()
    {
        const AVOutputFormat *format = OutputFormatFor(settings_.finalName.empty() ? outputPath_ : settings_.finalName, input_->iformat);
        if (!format)
            Fail("no writer for this container");
        AVFormatContext *raw = nullptr;
        if (avformat_alloc_output_context2(&raw, format, nullptr, outputPath_.c_str()) < 0 || !raw)
            Fail("out of memory");
        output_.reset(raw);

        const AVCodec *codec = ChooseEncoder(stream_->codecpar->codec_id, format);
        encoder_.reset(avcodec_alloc_context3(codec));
        if (!encoder_)
            Fail("out of memory");
        encoder_->width = stream_->codecpar->width;
        encoder_->height = stream_->codecpar->height;
        encoder_->sample_aspect_ratio = av_guess_sample_aspect_ratio(input_.get(), stream_, nullptr);
        const AVPixelFormat source = AVPixelFormat(stream_->codecpar->format);
        encoder_->pix_fmt = codec->pix_fmts ? avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, source == AV_PIX_FMT_NONE ? AV_PIX_FMT_YUV420P : source, 0, nullptr)
                                            : AV_PIX_FMT_YUV420P;
        encoder_->color_range = stream_->codecpar->color_range;
        encoder_->color_primaries = stream_->codecpar->color_primaries;
        encoder_->color_trc = stream_->codecpar->color_trc;
        encoder_->colorspace = stream_->codecpar->color_space;
        encoder_->chroma_sample_location = stream_->codecpar->chroma_location;
        encoder_->field_order = stream_->codecpar->field_order;
        encoder_->time_base = stream_->time_base;
        if (frameRate_.num > 0 && frameRate_.den > 0)
            encoder_->framerate = frameRate_;
        encoder_->thread_count = 0;
        if (format->flags & AVFMT_GLOBALHEADER)
            encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        AVDictionary *options = nullptr;
        SetQuality(encoder_.get(), codec, &options);
        int opened = avcodec_open2(encoder_.get(), codec, &options);
        // Some encoders (MPEG-4 part 2) refuse fine time bases: count in frames instead.
        if (opened < 0 && encoder_->framerate.num > 0) {
            av_dict_free(&options);
            SetQuality(encoder_.get(), codec, &options);
            encoder_->time_base = av_inv_q(encoder_->framerate);
            opened = avcodec_open2(encoder_.get(), codec, &options);
        }
        av_dict_free(&options);
        if (opened < 0)
            Fail("cannot start the " + std::string(codec->name) + " encoder: " + AvErrorText(opened));

        AVStream *video = avformat_new_stream(output_.get(), nullptr);
        if (!video || avcodec_parameters_from_context(video->codecpar, encoder_.get()) < 0)
            Fail("out of memory");
        video->time_base = encoder_->time_base;
        video->avg_frame_rate = stream_->avg_frame_rate;
        video->r_frame_rate = stream_->r_frame_rate;
        video->sample_aspect_ratio = encoder_->sample_aspect_ratio;
        video->disposition = stream_->disposition;
        CopyLanguage(stream_, video);
        size_t matrixSize = 0;
        if (const uint8_t *matrix = av_stream_get_side_data(stream_, AV_PKT_DATA_DISPLAYMATRIX, &matrixSize)) {
            uint8_t *copy = av_stream_new_side_data(video, AV_PKT_DATA_DISPLAYMATRIX, matrixSize);
            if (!copy)
                Fail("out of memory");
            std::memcpy(copy, matrix, matrixSize);
        }
        outputVideoIndex_ = video->index;

        for (unsigned i = 0; i < input_->nb_streams; ++i) {
            const AVStream *from = input_->streams[i];
            if (int(i) == videoIndex_ || !IsCopiedStream(from))
                continue;
            if (avformat_query_codec(format, from->codecpar->codec_id, FF_COMPLIANCE_NORMAL) == 0)
                Fail(std::string("the container cannot keep the ") + avcodec_get_name(from->codecpar->codec_id) + " stream");
            AVStream *to = avformat_new_stream(output_.get(), nullptr);
            if (!to || avcodec_parameters_copy(to->codecpar, from->codecpar) < 0)
                Fail("out of memory");
            to->codecpar->codec_tag = 0;
            to->time_base = from->time_base;
            to->disposition = from->disposition;
            CopyLanguage(from, to);
            streamMap_[int(i)] = to->index;
        }

        if (!(format->flags & AVFMT_NOFILE))
            if (const int error = avio_open(&output_->pb, outputPath_.c_str(), AVIO_FLAG_WRITE); error < 0)
                Fail("cannot create " + outputPath_ + ": " + AvErrorText(error));
        // Timestamps stay as read: the writer may not move them all to start at zero.
        output_->avoid_negative_ts = AVFMT_AVOID_NEG_TS_DISABLED;
        isMatroska_ = std::string(format->name) == "matroska" || std::string(format->name) == "webm";
        if (const int error = avformat_write_header(output_.get(), nullptr); error < 0)
            Fail("cannot write the video: " + AvErrorText(error));
    }

    // Matroska's reader moves a stream's packets back by its codec delay (Opus: 6.5 ms) and
    // its writer does not move them forward; without this the sound would drift by that much
    // on every pass through Mirelon.
    void shiftByCodecDelay(AVPacket *packet, int target) const
    {
        const AVStream *stream = output_->streams[target];
        const AVCodecParameters *parameters = stream->codecpar;
        if (!isMatroska_ || parameters->codec_type != AVMEDIA_TYPE_AUDIO || parameters->initial_padding <= 0 || parameters->sample_rate <= 0)
            return;
        const int64_t delay = av_rescale_q(parameters->initial_padding, AVRational{1, parameters->sample_rate}, stream->time_base);
        if (packet->pts != AV_NOPTS_VALUE)
            packet->pts += delay;
        if (packet->dts != AV_NOPTS_VALUE)
            packet->dts += delay;
    }

    void openText()
    {
        text_ = std::fopen(outputPath_.c_str(), "wb");
        if (!text_)
            Fail("cannot create " + outputPath_ + ": " + std::strerror(errno));
    }

    void closeText()
    {
        FILE *file = text_;
        text_ = nullptr;
        const bool flushed = std::fflush(file) == 0 && !std::ferror(file);
        if (std::fclose(file) != 0 || !flushed)
            Fail("cannot write " + outputPath_ + ": " + std::strerror(errno));
    }

    void decode(const AVPacket *packet)
    {
        int sent = avcodec_send_packet(decoder_.get(), packet);
        if (sent < 0 && sent != AVERROR_EOF)
            Fail("the video is damaged: " + AvErrorText(sent));
        Frame frame(av_frame_alloc());
        if (!frame)
            Fail("out of memory");
        for (;;) {
            const int received = avcodec_receive_frame(decoder_.get(), frame.get());
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
                return;
            if (received < 0)
                Fail("the video is damaged: " + AvErrorText(received));
            handleFrame(frame.get());
            av_frame_unref(frame.get());
        }
    }

    // A frame in the encoder's pixel format and size (a new reference when it already is).
    Frame workFrame(const AVFrame *decoded)
    {
        const int width = encoder_ ? encoder_->width : decoded->width;
        const int height = encoder_ ? encoder_->height : decoded->height;
        const AVPixelFormat format = encoder_ ? encoder_->pix_fmt : AVPixelFormat(decoded->format);
        if (decoded->width == width && decoded->height == height && decoded->format == format)
            return Frame(av_frame_clone(decoded));
        Frame converted(av_frame_alloc());
        if (!converted)
            Fail("out of memory");
        converted->width = width;
        converted->height = height;
        converted->format = format;
        if (av_frame_get_buffer(converted.get(), 0) < 0 || av_frame_copy_props(converted.get(), decoded) < 0)
            Fail("out of memory");
        toWork_.reset(sws_getCachedContext(toWork_.release(), decoded->width, decoded->height, AVPixelFormat(decoded->format), width,
                                           height, format, SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (!toWork_)
            Fail("cannot convert the video's frames");
        sws_scale(toWork_.get(), decoded->data, decoded->linesize, 0, decoded->height, converted->data, converted->linesize);
        return converted;
    }

    // The frame as 8-bit RGB, stored orientation.
    cv::Mat rgbOf(const AVFrame *frame)
    {
        cv::Mat rgb(frame->height, frame->width, CV_8UC3);
        toRgb_.reset(sws_getCachedContext(toRgb_.release(), frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                                          frame->height, AV_PIX_FMT_RGB24, SWS_BILINEAR, nullptr, nullptr, nullptr));
        if (!toRgb_)
            Fail("cannot convert the video's frames");
        uint8_t *planes[1] = {rgb.data};
        const int strides[1] = {int(rgb.step)};
        sws_scale(toRgb_.get(), frame->data, frame->linesize, 0, frame->height, planes, strides);
        return rgb;
    }

    void handleFrame(const AVFrame *decoded)
    {
        checkStop();
        PendingFrame pending;
        pending.frame = workFrame(decoded);
        if (!pending.frame)
            Fail("out of memory");
        AVFrame *frame = pending.frame.get();
        pending.rgb = rgbOf(frame);
        pending.number = ++decodedFrames_;
        const int64_t timestamp = decoded->best_effort_timestamp;
        pending.seconds = timestamp == AV_NOPTS_VALUE ? 0 : (timestamp - startTime_) * av_q2d(stream_->time_base);
        frame->pts = timestamp;

        const cv::Mat upright = TurnUpright(pending.rgb, turn_);
        uprightWidth_ = upright.cols;
        uprightHeight_ = upright.rows;
        SearchedFrame searched;
        pending.contentShift = motion_.add(upright);
        searched.faces = startSearch(upright, {pending.number - 1, searchTurn_});
        searched.pending = std::move(pending);
        searching_.push_back(std::move(searched));
        if (searching_.size() >= framesAtOnce_)
            takeSearched();
    }

    // A frame's search on a thread of its own; the frame's pixels stay with it until it ends.
    std::future<std::vector<FaceBox>> startSearch(const cv::Mat &upright, const SearchTurn &turn)
    {
        return std::async(std::launch::async, [this, upright, turn] { return findFaces_(upright, turn); });
    }

    // The last frames have no later ones to bridge the turns to the next search of their parts
    // (a face coming into view at the very end): they are searched whole, side by side.
    void searchLastFramesWhole()
    {
        if (searchTurn_ <= 1)
            return;
        const size_t count = std::min(pending_.size(), size_t(searchTurn_ - 1));
        std::deque<std::pair<std::int64_t, std::future<std::vector<FaceBox>>>> searches;
        for (size_t i = pending_.size() - count; i < pending_.size(); ++i) {
            const std::int64_t frame = pending_[i].number - 1;
            searches.emplace_back(frame, startSearch(TurnUpright(rgbOf(pending_[i].frame.get()), turn_), {frame, 1}));
            // No more at once than during the video: each search holds a network of its own.
            if (searches.size() >= framesAtOnce_ || i + 1 == pending_.size())
                while (!searches.empty()) {
                    cover_->amend(searches.front().first, searches.front().second.get());
                    searches.pop_front();
                }
        }
    }

    // The oldest frame under search, once its faces are found, goes to the temporal cover.
    void takeSearched()
    {
        SearchedFrame searched = std::move(searching_.front());
        searching_.pop_front();
        cover_->add(searched.faces.get(), searched.pending.contentShift);
        // While it waits for the frames after it, a frame is held once, as the encoder takes it
        // (at 1080p the RGB copy is twice the size); a frame with faces to cover gets it again.
        searched.pending.rgb.release();
        pending_.push_back(std::move(searched.pending));
        finishReadyFrames();
    }

    void finishReadyFrames()
    {
        while (std::optional<std::vector<FaceBox>> carried = cover_->take()) {
            PendingFrame frame = std::move(pending_.front());
            pending_.pop_front();
            // A face carried with a moving camera may have left the frame, or part of it.
            std::vector<FaceBox> faces;
            for (const FaceBox &box : *carried)
                if (const FaceBox visible = ClippedToFrame(box, uprightWidth_, uprightHeight_); visible.width > 0 && visible.height > 0)
                    faces.push_back(box);
            if (settings_.action == VideoAction::Export)
                exportFaces(frame, faces);
            else
                encodeCovered(frame, faces);
            ++finishedFrames_;
            if (progress_)
                progress_(finishedFrames_, std::max(totalFrames_, finishedFrames_));
        }
    }

    void exportFaces(const PendingFrame &frame, const std::vector<FaceBox> &faces)
    {
        for (const FaceBox &face : faces) {
            const std::string line = ExportLine(frame.number, frame.seconds, ClippedToFrame(face, uprightWidth_, uprightHeight_)) + "\n";
            if (std::fwrite(line.data(), 1, line.size(), text_) != line.size())
                Fail("cannot write " + outputPath_ + ": " + std::strerror(errno));
        }
    }

    void encodeCovered(PendingFrame &pending, const std::vector<FaceBox> &faces)
    {
        AVFrame *frame = pending.frame.get();
        if (!faces.empty()) {
            pending.rgb = rgbOf(frame);
            std::vector<cv::Rect> changed;
            for (const FaceBox &upright : faces) {
                const FaceBox box = BoxInStoredFrame(upright, turn_, frame->width, frame->height);
                const cv::Rect area = settings_.action == VideoAction::Blur ? CoverFace(pending.rgb, box) : MarkFace(pending.rgb, box);
                if (!area.empty())
                    changed.push_back(area);
            }
            if (av_frame_make_writable(frame) < 0)
                Fail("out of memory");
            for (const cv::Rect &area : changed)
                writeBack(pending.rgb, area, frame);
        }
        // Timestamps as read; one that does not advance (damaged or missing) follows the last.
        int64_t pts = frame->pts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : av_rescale_q(frame->pts, stream_->time_base, encoder_->time_base);
        if (pts == AV_NOPTS_VALUE || (lastPts_ != AV_NOPTS_VALUE && pts <= lastPts_))
            pts = lastPts_ == AV_NOPTS_VALUE ? 0 : lastPts_ + 1;
        lastPts_ = pts;
        frame->pts = pts;
        frame->pict_type = AV_PICTURE_TYPE_NONE;
        encode(frame);
    }

    // Puts the changed area of the RGB picture back into the frame; the rest of the frame keeps
    // its decoded pixels untouched. The area grows to whole chroma samples.
    void writeBack(const cv::Mat &rgb, cv::Rect area, AVFrame *frame)
    {
        const AVPixFmtDescriptor *descriptor = av_pix_fmt_desc_get(AVPixelFormat(frame->format));
        const int alignX = 1 << descriptor->log2_chroma_w, alignY = 1 << descriptor->log2_chroma_h;
        // Whole chroma samples, and sizes in steps of 16 so that the converter is reused.
        int left = area.x / alignX * alignX, top = area.y / alignY * alignY;
        int width = (area.x + area.width - left + 15) / 16 * 16, height = (area.y + area.height - top + 15) / 16 * 16;
        width = std::min(width, frame->width - left);
        height = std::min(height, frame->height - top);
        Frame part(av_frame_alloc());
        if (!part)
            Fail("out of memory");
        part->width = width;
        part->height = height;
        part->format = frame->format;
        if (av_frame_get_buffer(part.get(), 0) < 0)
            Fail("out of memory");
        fromRgb_.reset(sws_getCachedContext(fromRgb_.release(), width, height, AV_PIX_FMT_RGB24, width, height, AVPixelFormat(frame->format),
                                            SWS_BILINEAR, nullptr, nullptr, nullptr));
        if (!fromRgb_)
            Fail("cannot convert the video's frames");
        const cv::Mat region = rgb(cv::Rect(left, top, width, height));
        const uint8_t *source[1] = {region.data};
        const int sourceStride[1] = {int(region.step)};
        sws_scale(fromRgb_.get(), source, sourceStride, 0, height, part->data, part->linesize);
        const int planes = av_pix_fmt_count_planes(AVPixelFormat(frame->format));
        const bool isRgb = descriptor->flags & AV_PIX_FMT_FLAG_RGB;
        for (int plane = 0; plane < planes; ++plane) {
            const bool chroma = !isRgb && (plane == 1 || plane == 2);
            const int shiftY = chroma ? descriptor->log2_chroma_h : 0;
            const int offset = av_image_get_linesize(AVPixelFormat(frame->format), left, plane);
            const int bytes = av_image_get_linesize(AVPixelFormat(frame->format), width, plane);
            const int rows = -((-height) >> shiftY);
            const int firstRow = top >> shiftY;
            for (int row = 0; row < rows; ++row)
                std::memcpy(frame->data[plane] + ptrdiff_t(firstRow + row) * frame->linesize[plane] + offset,
                            part->data[plane] + ptrdiff_t(row) * part->linesize[plane], size_t(bytes));
        }
    }

    void encode(const AVFrame *frame)
    {
        if (const int sent = avcodec_send_frame(encoder_.get(), frame); sent < 0 && sent != AVERROR_EOF)
            Fail("cannot encode the video: " + AvErrorText(sent));
        Packet packet(av_packet_alloc());
        if (!packet)
            Fail("out of memory");
        for (;;) {
            const int received = avcodec_receive_packet(encoder_.get(), packet.get());
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
                return;
            if (received < 0)
                Fail("cannot encode the video: " + AvErrorText(received));
            av_packet_rescale_ts(packet.get(), encoder_->time_base, output_->streams[outputVideoIndex_]->time_base);
            packet->stream_index = outputVideoIndex_;
            write(packet.get());
        }
    }

    void write(AVPacket *packet)
    {
        if (const int error = av_interleaved_write_frame(output_.get(), packet); error < 0)
            Fail("cannot write the video: " + AvErrorText(error));
    }

    // A container that counts its frames and ends early is cut short.
    void checkWhole() const
    {
        // MP4 and MOV count their samples exactly; AVI's count may include a frame never stored.
        const bool countsExactly = std::string(input_->iformat->name).rfind("mov,", 0) == 0;
        if (countsExactly && stream_->nb_frames > 0 && videoPackets_ < stream_->nb_frames)
            Fail("the video is cut short: " + std::to_string(videoPackets_) + " of " + std::to_string(stream_->nb_frames) + " frames");
        if (decodedFrames_ == 0)
            Fail("the video holds no frame that could be decoded");
    }

    void closeOutput()
    {
        encode(nullptr);
        if (const int error = av_write_trailer(output_.get()); error < 0)
            Fail("cannot write the video: " + AvErrorText(error));
        if (output_->pb) {
            avio_flush(output_->pb);
            const int error = output_->pb->error;
            const int closed = avio_closep(&output_->pb);
            if (error < 0 || closed < 0)
                Fail("cannot write the video: " + AvErrorText(error < 0 ? error : closed));
        }
    }

public:
    ~VideoJob()
    {
        if (text_)
            std::fclose(text_);
    }

private:
    std::string inputPath_, outputPath_;
    const VideoSettings &settings_;
    const FindFaces &findFaces_;
    const FrameProgress &progress_;
    InputContext input_;
    OutputContext output_;
    CodecContext decoder_, encoder_;
    Scaler toWork_, toRgb_, fromRgb_;
    AVStream *stream_ = nullptr;
    int videoIndex_ = -1;
    int outputVideoIndex_ = -1;
    std::map<int, int> streamMap_;
    int turn_ = 0;
    bool isMatroska_ = false;
    AVRational frameRate_{0, 1};
    int64_t startTime_ = 0;
    int64_t totalFrames_ = 0;
    int64_t videoPackets_ = 0;
    int64_t decodedFrames_ = 0;
    int64_t finishedFrames_ = 0;
    int64_t lastPts_ = AV_NOPTS_VALUE;
    std::unique_ptr<TemporalCover> cover_;
    int searchTurn_ = 1;
    unsigned framesAtOnce_ = 1;
    int uprightWidth_ = 0, uprightHeight_ = 0;
    FrameMotion motion_;
    std::deque<PendingFrame> pending_;
    // Last of the members: on the way out its searches end before what they use goes.
    std::deque<SearchedFrame> searching_;
    FILE *text_ = nullptr;
};

} // namespace

void ProcessVideo(const std::string &input, const std::string &output, const VideoSettings &settings, const FindFaces &findFaces,
                  const FrameProgress &progress)
{
    av_log_set_level(AV_LOG_QUIET); // failures are reported as one line of our own
    VideoJob(input, output, settings, findFaces, progress).run();
}

std::string PassingName(const std::string &output)
{
    const std::filesystem::path path(output);
    // Appended piece by piece: GCC 12 at -O3 takes `"." + std::string` for an overlapping copy
    // (-Wrestrict), which stops a Release build with warnings as errors.
    std::string name = ".";
    name += path.stem().string();
    name += ".mirelon-part";
    name += path.extension().string();
    return (path.parent_path() / name).string();
}

std::string ExportLine(std::int64_t frame, double seconds, const FaceBox &box)
{
    char line[160];
    std::snprintf(line, sizeof line, "frame: %" PRId64 ", time: %.3f, x: %d, y: %d, width: %d, height: %d", frame, seconds, box.x, box.y,
                  box.width, box.height);
    return line;
}

} // namespace mirelon::video
