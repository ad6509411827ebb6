#pragma once
#include "video/FaceBox.h"

#include <opencv2/core.hpp>

namespace mirelon::video {

// A frame stored turned, as phones record it: the player turns it clockwise by 0, 90, 180 or
// 270 degrees to show it upright.
int ClockwiseTurnFromDegrees(double counterClockwiseDegrees);

// The frame as people see it.
cv::Mat TurnUpright(const cv::Mat &stored, int clockwiseTurn);

// A box of the upright frame in the stored frame's pixels (storedWidth x storedHeight).
FaceBox BoxInStoredFrame(const FaceBox &upright, int clockwiseTurn, int storedWidth, int storedHeight);

} // namespace mirelon::video
