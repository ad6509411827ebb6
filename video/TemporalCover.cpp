#include "video/TemporalCover.h"

#include <cmath>

namespace mirelon::video {

TemporalCover::TemporalCover(int reach) : reach_(std::max(0, reach)) {}

void TemporalCover::add(std::vector<FaceBox> found)
{
    found_.push_back(std::move(found));
    ++added_;
}

std::optional<std::vector<FaceBox>> TemporalCover::take()
{
    const std::int64_t frame = taken_;
    if (frame >= added_ || (!finished_ && added_ - 1 < frame + reach_))
        return std::nullopt;
    const auto foundIn = [this](std::int64_t other) -> const std::vector<FaceBox> * {
        if (other < firstHeld_ || other >= added_)
            return nullptr;
        return &found_[size_t(other - firstHeld_)];
    };
    std::vector<FaceBox> cover;
    // Nearest frames first: 0, -1, +1, -2, +2, ...
    for (int distance = 0; distance <= reach_; ++distance) {
        for (const int sign : {-1, 1}) {
            if (distance == 0 && sign == 1)
                continue;
            const std::vector<FaceBox> *boxes = foundIn(frame + sign * distance);
            if (!boxes)
                continue;
            for (const FaceBox &box : *boxes) {
                bool known = false;
                for (const FaceBox &kept : cover)
                    known = known || IoU(kept, box) > SameFaceIoU;
                if (!known)
                    cover.push_back(box);
            }
        }
    }
    ++taken_;
    // Keep the frames a later frame may still draw on: from taken_ - reach_ on.
    while (firstHeld_ < taken_ - reach_ && !found_.empty()) {
        found_.pop_front();
        ++firstHeld_;
    }
    return cover;
}

int ReachInFrames(double seconds, double framesPerSecond)
{
    if (!(seconds > 0) || !(framesPerSecond > 0))
        return 0;
    return int(std::lround(std::min(seconds * framesPerSecond, 10000.0)));
}

} // namespace mirelon::video
