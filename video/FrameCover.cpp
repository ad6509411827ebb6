#include "video/FrameCover.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace mirelon::video {
namespace {

// Stand-in geometry until the pictures' cover rule is shared with video.
struct CoverGeometry {
    cv::Rect area;
    int block = 8;
    double softening = 2;
};

CoverGeometry GeometryFor(const FaceBox &box)
{
    const int margin = int(std::lround(std::max(box.width, box.height) * 0.25));
    CoverGeometry geometry;
    geometry.area = cv::Rect(box.x - margin, box.y - margin, box.width + 2 * margin, box.height + 2 * margin);
    geometry.block = std::max(8, int(std::lround(std::max(box.width, box.height) / 4.0)));
    geometry.softening = geometry.block / 2.0;
    return geometry;
}

} // namespace

cv::Rect CoverFace(cv::Mat &frame, const FaceBox &box)
{
    if (box.width <= 0 || box.height <= 0)
        return {};
    const CoverGeometry geometry = GeometryFor(box);
    const cv::Rect area = geometry.area & cv::Rect(0, 0, frame.cols, frame.rows);
    if (area.empty())
        return {};
    cv::Mat region = frame(area);
    // Mosaic: every block takes its mean colour, so no detail of the face survives.
    for (int top = 0; top < region.rows; top += geometry.block)
        for (int left = 0; left < region.cols; left += geometry.block) {
            const cv::Rect cell = cv::Rect(left, top, geometry.block, geometry.block) & cv::Rect(0, 0, region.cols, region.rows);
            region(cell).setTo(cv::mean(region(cell)));
        }
    // Softening hides the block edges; it stays inside the area.
    const int kernel = (int(std::ceil(geometry.softening * 3)) | 1);
    cv::GaussianBlur(region, region, cv::Size(kernel, kernel), geometry.softening, geometry.softening, cv::BORDER_REPLICATE);
    return area;
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
