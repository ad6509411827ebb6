#pragma once
#include "video/FaceBox.h"

#include <opencv2/core/types.hpp>

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace mirelon::video {

// A detector misses a face in some frames that it finds in the frames around them. The faces
// covered in frame t are those found in t itself, plus every face found in a frame from t - reach
// to t + reach that none of the nearer frames' faces overlaps, at the position of the nearest
// frame where it was found (the earlier one on a tie). When the camera moves (the frames'
// content shifts), a carried face is covered where the shift has taken it, and where it was
// found as well: a face the camera follows stays put while the scene moves.
//
// Frames go in in order; a frame's cover is known once `reach` later frames are in (or the video
// has ended), so only 2 * reach + 1 frames' faces are ever held.
class TemporalCover {
public:
    static constexpr double SameFaceIoU = 0.3; // boxes overlapping this much are one face

    explicit TemporalCover(int reach);

    // The faces found in the next frame, and where its content has moved since the first
    // frame (FrameMotion; none for a still camera).
    void add(std::vector<FaceBox> found, cv::Point2d contentShift = {});
    // More faces found in frame `frame` (from 0), when its cover has not been taken yet.
    void amend(std::int64_t frame, const std::vector<FaceBox> &more);
    // After the last frame: the remaining frames need no later ones.
    void finish() { finished_ = true; }
    // The cover of the oldest frame not yet taken, when it is known.
    std::optional<std::vector<FaceBox>> take();

    int reach() const { return reach_; }

private:
    int reach_;
    bool finished_ = false;
    std::int64_t added_ = 0;      // frames added
    std::int64_t taken_ = 0;      // frames whose cover was taken
    std::int64_t firstHeld_ = 0;  // frame number of found_.front()
    struct Found {
        std::vector<FaceBox> faces;
        cv::Point2d shift;
    };
    std::deque<Found> found_;
};

// Frames of `seconds` at `framesPerSecond`, rounded; at least 0.
int ReachInFrames(double seconds, double framesPerSecond);

} // namespace mirelon::video
