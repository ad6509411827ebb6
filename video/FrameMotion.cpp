#include "video/FrameMotion.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace mirelon::video {
namespace {

constexpr int SmallSide = 256;           // the small copy's longer side
constexpr double SureResponse = 0.08;    // below this peak, the correlation does not know the shift

} // namespace

cv::Point2d FrameMotion::add(const cv::Mat &uprightRgb)
{
    CV_Assert(uprightRgb.type() == CV_8UC3 && !uprightRgb.empty());
    cv::Mat grey, small;
    cv::cvtColor(uprightRgb, grey, cv::COLOR_RGB2GRAY);
    if (previous_.empty()) {
        scale_ = std::min(1.0, double(SmallSide) / std::max(uprightRgb.cols, uprightRgb.rows));
        const cv::Size size(std::max(8, int(std::lround(uprightRgb.cols * scale_))), std::max(8, int(std::lround(uprightRgb.rows * scale_))));
        cv::createHanningWindow(window_, size, CV_32F);
    }
    cv::resize(grey, small, window_.size(), 0, 0, cv::INTER_AREA);
    small.convertTo(small, CV_32F);
    if (!previous_.empty()) {
        double response = 0;
        const cv::Point2d step = cv::phaseCorrelate(previous_, small, window_, &response);
        if (response >= SureResponse && std::isfinite(step.x) && std::isfinite(step.y))
            position_ += cv::Point2d(step.x / scale_, step.y / scale_);
    }
    previous_ = small;
    return position_;
}

} // namespace mirelon::video
