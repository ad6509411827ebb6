#pragma once
#include "video/FaceBox.h"

#include <opencv2/core.hpp>

#include <atomic>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace mirelon::video {

// A video that cannot be read, searched or written; the message is one line.
class VideoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a frame's search may leave to the frames around it. Frame after frame, the finer scales,
// which cost the most, may be searched in turns, each part of the frame at those scales at least
// once every `longestPeriod` frames; the temporal cover carries what one frame finds over the
// frames between. longestPeriod 1: the frame is searched whole, as a picture is.
struct SearchTurn {
    std::int64_t frame = 0; // from 0, in order
    int longestPeriod = 1;
};

// Finds the faces in one upright 8-bit RGB frame. Called for every frame, from several threads
// at once (a few frames are searched at the same time, each on one processor core): it must be
// safe to call so.
using FindFaces = std::function<std::vector<FaceBox>(const cv::Mat &uprightFrame, const SearchTurn &turn)>;

// Frames done so far and the number the video holds (0 when the container does not say).
using FrameProgress = std::function<void(std::int64_t done, std::int64_t total)>;

enum class VideoAction {
    Blur,   // the faces of every frame covered
    Mark,   // the faces of every frame outlined in red
    Export, // text: one line per face per frame
};

struct VideoSettings {
    VideoAction action = VideoAction::Blur;
    // A face found in frame t is covered from t - coverSeconds to t + coverSeconds too. The finer
    // scales are searched in turns only as far as this cover bridges the frames between; with
    // 0 every frame is searched whole, on its own.
    double coverSeconds = 0.2;
    // Frames searched at the same time; 0: one per processor core.
    unsigned framesAtOnce = 0;
    const std::atomic<bool> *stop = nullptr; // when set, the work ends with VideoError("stopped")
    // The name whose extension picks the container variant (mp4 or mov, mkv or webm) when the
    // output is written under a passing name; empty: the output's own name.
    std::string finalName;
};

// Reads `input`, finds the faces of every frame and writes `output`: for Blur and Mark a video
// in the same container with the same frame size, rate and timestamps, audio and subtitle
// streams copied, the rotation kept and identifying metadata left out; for Export a text file.
// Writes `output` directly; the caller writes beside the final name and moves it in. Holds only
// the few frames the temporal cover needs, whatever the video's length. Throws VideoError.
void ProcessVideo(const std::string &input, const std::string &output, const VideoSettings &settings,
                  const FindFaces &findFaces, const FrameProgress &progress);

// The name an output is written under until it is whole: hidden, beside it, same extension
// ("/out/.clip.mirelon-part.mp4" for "/out/clip.mp4").
std::string PassingName(const std::string &output);

// Why Save Faces as Separate Images writes nothing for a video.
inline constexpr char SaveFacesRefusal[] = "Save Faces as Separate Images does not take videos; pick Blur, Mark or Export";

// One line of Export: "frame: 12, time: 0.480, x: 10, y: 20, width: 30, height: 40".
std::string ExportLine(std::int64_t frame, double seconds, const FaceBox &box);

} // namespace mirelon::video
