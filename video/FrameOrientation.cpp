#include "video/FrameOrientation.h"

#include <cmath>

namespace mirelon::video {

int ClockwiseTurnFromDegrees(double counterClockwiseDegrees)
{
    if (!std::isfinite(counterClockwiseDegrees))
        return 0;
    const long quarter = std::lround(-counterClockwiseDegrees / 90.0);
    return int(((quarter % 4) + 4) % 4) * 90;
}

cv::Mat TurnUpright(const cv::Mat &stored, int clockwiseTurn)
{
    cv::Mat upright;
    switch (clockwiseTurn) {
    case 90: cv::rotate(stored, upright, cv::ROTATE_90_CLOCKWISE); return upright;
    case 180: cv::rotate(stored, upright, cv::ROTATE_180); return upright;
    case 270: cv::rotate(stored, upright, cv::ROTATE_90_COUNTERCLOCKWISE); return upright;
    default: return stored;
    }
}

FaceBox BoxInStoredFrame(const FaceBox &b, int clockwiseTurn, int storedWidth, int storedHeight)
{
    switch (clockwiseTurn) {
    case 90: return {b.y, storedHeight - b.x - b.width, b.height, b.width};
    case 180: return {storedWidth - b.x - b.width, storedHeight - b.y - b.height, b.width, b.height};
    case 270: return {storedWidth - b.y - b.height, b.x, b.height, b.width};
    default: return b;
    }
}

} // namespace mirelon::video
