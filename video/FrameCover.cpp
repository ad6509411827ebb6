#include "video/FrameCover.h"

#include "scripts/FaceCoverRule.h"

#include <opencv2/imgproc.hpp>

namespace mirelon::video {

// The pictures' cover rule (scripts/FaceCoverRule.h) in OpenCV: the area grown by the margin,
// blocks taking the colour of their top-left pixel, the softening confined to the area.
cv::Rect CoverFace(cv::Mat &frame, const FaceBox &box)
{
    const facecover::Box face{box.x, box.y, box.width, box.height};
    const facecover::Box area = facecover::CoverArea(face, frame.cols, frame.rows);
    if (area.width <= 0 || area.height <= 0)
        return {};
    const int block = facecover::CoverBlockSize(face);
    const double sigma = facecover::CoverSofteningSigma(block);
    const cv::Rect changed(area.x, area.y, area.width, area.height);
    cv::Mat region = frame(changed);
    for (int top = 0; top < region.rows; top += block)
        for (int left = 0; left < region.cols; left += block) {
            const cv::Rect cell = cv::Rect(left, top, block, block) & cv::Rect(0, 0, region.cols, region.rows);
            region(cell).setTo(cv::Scalar(region.at<cv::Vec3b>(top, left)));
        }
    cv::GaussianBlur(region, region, cv::Size(0, 0), sigma, sigma, cv::BORDER_REPLICATE);
    return changed;
}

cv::Rect MarkFace(cv::Mat &frame, const FaceBox &box)
{
    const cv::Rect outline(box.x, box.y, box.width + 1, box.height + 1);
    const cv::Rect changed = outline & cv::Rect(0, 0, frame.cols, frame.rows);
    if (changed.empty())
        return {};
    cv::rectangle(frame, cv::Point(box.x, box.y), cv::Point(box.x + box.width, box.y + box.height), cv::Scalar(255, 0, 0), 1);
    return changed;
}

} // namespace mirelon::video
