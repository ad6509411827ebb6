#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace mirelon::video {

struct VideoFacts {
    int width = 0;  // as people see it (the rotation applied)
    int height = 0;
    std::int64_t frames = 0; // 0 when the container does not say
    double framesPerSecond = 0;
    std::string formatName; // the demuxer's short name ("mov,mp4,m4a,3gp,3g2,mj2", "matroska,webm", "avi")
};

// Whether the start of the file is a video container (MP4/MOV, Matroska/WebM, AVI), readable
// or damaged: such a file goes to video, never to the picture decoders.
bool LooksLikeVideo(const std::string &path);

// Whether the file's content is a video in a container and codec we read (not its name): a
// picture (a still JPEG, PNG, ...) is not. Reads the header and the first packets only.
std::optional<VideoFacts> ProbeVideo(const std::string &path);

} // namespace mirelon::video
