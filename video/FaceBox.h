#pragma once
#include <algorithm>

namespace mirelon::video {

// A face in frame pixels: left, top, width, height (origin top-left).
struct FaceBox {
    int x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const FaceBox &, const FaceBox &) = default;
};

// Intersection over union of two boxes; 0 when either is empty.
inline double IoU(const FaceBox &a, const FaceBox &b)
{
    const int left = std::max(a.x, b.x), top = std::max(a.y, b.y);
    const int right = std::min(a.x + a.width, b.x + b.width), bottom = std::min(a.y + a.height, b.y + b.height);
    if (right <= left || bottom <= top)
        return 0;
    const double shared = double(right - left) * (bottom - top);
    return shared / (double(a.width) * a.height + double(b.width) * b.height - shared);
}

// The part of a box inside a frame of the given size; empty (width or height 0) when none is.
inline FaceBox ClippedToFrame(const FaceBox &box, int frameWidth, int frameHeight)
{
    const int left = std::clamp(box.x, 0, frameWidth), top = std::clamp(box.y, 0, frameHeight);
    const int right = std::clamp(box.x + box.width, 0, frameWidth), bottom = std::clamp(box.y + box.height, 0, frameHeight);
    return {left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

} // namespace mirelon::video
