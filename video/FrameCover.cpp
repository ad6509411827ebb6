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

} // namespace

// The pictures' cover rule (scripts/FaceCoverRule.h) in OpenCV, made steady for video: the area
// grown by the margin, cut into blocks, softened within the area. The box found for a face
// wavers by a pixel or two from frame to frame and the picture under it moves; a mosaic that
// wavered with them would shimmer, cost the encoder several times the bits of the rest of the
// frame, and, taking each block's colour from one pixel, now and then line the dark samples of
// the eyes up into something a detector takes for a face again. So the blocks lie on a grid
// fixed to the frame, the area grows out to whole blocks of it, the block size keeps to a ladder
// of steps, and each block takes the mean colour of its pixels. It never covers less than the
// pictures' rule, and no face our engine finds in a frame is found again in its cover.
cv::Rect CoverFace(cv::Mat &frame, const FaceBox &box)
{
    const facecover::Box face{box.x, box.y, box.width, box.height};
    const facecover::Box area = facecover::CoverArea(face, frame.cols, frame.rows);
    if (area.width <= 0 || area.height <= 0)
        return {};
    const int block = SteadyBlockSize(facecover::CoverBlockSize(face));
    const double sigma = facecover::CoverSofteningSigma(block);
    const int left = area.x / block * block, top = area.y / block * block;
    const int right = (area.x + area.width + block - 1) / block * block, bottom = (area.y + area.height + block - 1) / block * block;
    const cv::Rect changed = cv::Rect(left, top, right - left, bottom - top) & cv::Rect(0, 0, frame.cols, frame.rows);
    cv::Mat region = frame(changed);
    for (int y = 0; y < region.rows; y += block)
        for (int x = 0; x < region.cols; x += block) {
            const cv::Rect cell = cv::Rect(x, y, block, block) & cv::Rect(0, 0, region.cols, region.rows);
            region(cell).setTo(cv::mean(region(cell)));
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
