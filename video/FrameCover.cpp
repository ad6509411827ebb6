#include "video/FrameCover.h"

#include "scripts/FaceCoverRule.h"

#include <opencv2/imgproc.hpp>

#include <cmath>

namespace mirelon::video {
namespace {

// The block size rounded up to a step of a ladder (8, 11, 16, 22, 32, 45, ...) a square root of
// two apart: the size of a face's box wavers from frame to frame, and so would its blocks.
// Rounded up, a block is never smaller than the pictures' rule makes it.
int SteadyBlockSize(int block)
{
    double step = facecover::CoverSmallestBlock;
    while (std::lround(step) < block)
        step *= std::sqrt(2.0);
    return int(std::lround(step));
}

// The Gaussian softening. Large faces get large sigmas, and a Gaussian's cost grows with its
// width: above a few pixels, three passes of a box filter (whose cost does not) give the same
// bell within a few percent of the sigma.
void Soften(cv::Mat &region, double sigma)
{
    if (sigma <= 3) {
        cv::GaussianBlur(region, region, cv::Size(0, 0), sigma, sigma, cv::BORDER_REPLICATE);
        return;
    }
    // Three boxes of odd width w add up to a variance of 3 (w * w - 1) / 12.
    const int width = 2 * int(std::lround((std::sqrt(4 * sigma * sigma + 1) - 1) / 2)) + 1;
    for (int pass = 0; pass < 3; ++pass)
        cv::blur(region, region, cv::Size(width, width), cv::Point(-1, -1), cv::BORDER_REPLICATE);
}

} // namespace

// The pictures' cover rule (scripts/FaceCoverRule.h) in OpenCV: the area grown by the margin,
// blocks from its top-left corner taking the colour of their top-left pixel, the softening
// confined to the area. Made steady for video: the box found for a face wavers by a pixel or two
// from frame to frame, and a block size that wavered with it would make the cover shimmer (and
// cost the encoder many more bits), so the size keeps to a ladder of steps, rounded up, and the
// area grows out to whole blocks. It never covers less than the pictures' rule, and it leaves
// the small faces of a fast pan less face-like than the exact rule does.
cv::Rect CoverFace(cv::Mat &frame, const FaceBox &box)
{
    const facecover::Box face{box.x, box.y, box.width, box.height};
    const facecover::Box area = facecover::CoverArea(face, frame.cols, frame.rows);
    if (area.width <= 0 || area.height <= 0)
        return {};
    const int block = SteadyBlockSize(facecover::CoverBlockSize(face));
    const double sigma = facecover::CoverSofteningSigma(block);
    const int width = (area.width + block - 1) / block * block, height = (area.height + block - 1) / block * block;
    const cv::Rect changed = cv::Rect(area.x, area.y, width, height) & cv::Rect(0, 0, frame.cols, frame.rows);
    cv::Mat region = frame(changed);
    for (int y = 0; y < region.rows; y += block)
        for (int x = 0; x < region.cols; x += block) {
            const cv::Rect cell = cv::Rect(x, y, block, block) & cv::Rect(0, 0, region.cols, region.rows);
            region(cell).setTo(cv::Scalar(region.at<cv::Vec3b>(y, x)));
        }
    Soften(region, sigma);
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
