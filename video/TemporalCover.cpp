#include "video/TemporalCover.h"

#include <cmath>
#include <cstdlib>

namespace mirelon::video {
namespace {

// A box joins the faces unless one of them is the same face already.
void AddUnlessKnown(std::vector<FaceBox> &faces, const FaceBox &box)
{
    for (const FaceBox &kept : faces)
        if (IoU(kept, box) > TemporalCover::SameFaceIoU)
            return;
    faces.push_back(box);
}

} // namespace

TemporalCover::TemporalCover(int reach) : reach_(std::max(0, reach)) {}

void TemporalCover::add(std::vector<FaceBox> found, cv::Point2d contentShift)
{
    found_.push_back({std::move(found), contentShift});
    ++added_;
}

void TemporalCover::amend(std::int64_t frame, const std::vector<FaceBox> &more)
{
    if (frame < taken_ || frame < firstHeld_ || frame >= added_)
        return;
    std::vector<FaceBox> &faces = found_[size_t(frame - firstHeld_)].faces;
    for (const FaceBox &box : more)
        AddUnlessKnown(faces, box);
}

std::optional<std::vector<FaceBox>> TemporalCover::take()
{
    const std::int64_t frame = taken_;
    if (frame >= added_ || (!finished_ && added_ - 1 < frame + reach_))
        return std::nullopt;
    const auto foundIn = [this](std::int64_t other) -> const Found * {
        if (other < firstHeld_ || other >= added_)
            return nullptr;
        return &found_[size_t(other - firstHeld_)];
    };
    const cv::Point2d here = foundIn(frame)->shift;
    std::vector<FaceBox> cover;
    // Nearest frames first: 0, -1, +1, -2, +2, ...
    for (int distance = 0; distance <= reach_; ++distance) {
        for (const int sign : {-1, 1}) {
            if (distance == 0 && sign == 1)
                continue;
            const Found *other = foundIn(frame + sign * distance);
            if (!other)
                continue;
            const cv::Point2d move = here - other->shift;
            const int dx = int(std::lround(move.x)), dy = int(std::lround(move.y));
            for (const FaceBox &box : other->faces) {
                const FaceBox moved{box.x + dx, box.y + dy, box.width, box.height};
                AddUnlessKnown(cover, moved);
                // Where it was found too, unless the move is small against the face.
                if (4 * std::max(std::abs(dx), std::abs(dy)) > std::min(box.width, box.height))
                    AddUnlessKnown(cover, box);
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
