#include "facedetector/engine/detection/BoxMerge.h"

#include <algorithm>

namespace facedetect {

float Area(const Detection &box)
{
    return std::max(0.0f, box.width) * std::max(0.0f, box.height);
}

float IntersectionArea(const Detection &a, const Detection &b)
{
    const float left = std::max(a.x, b.x);
    const float top = std::max(a.y, b.y);
    const float right = std::min(a.x + a.width, b.x + b.width);
    const float bottom = std::min(a.y + a.height, b.y + b.height);
    return std::max(0.0f, right - left) * std::max(0.0f, bottom - top);
}

float IoU(const Detection &a, const Detection &b)
{
    const float common = IntersectionArea(a, b);
    const float joint = Area(a) + Area(b) - common;
    return joint > 0 ? common / joint : 0.0f;
}

std::vector<Detection> BlendOverlapping(std::vector<Detection> candidates, float iouThreshold)
{
    std::sort(candidates.begin(), candidates.end(), [](const Detection &a, const Detection &b) { return a.score > b.score; });
    std::vector<Detection> blended;
    std::vector<bool> used(candidates.size(), false);
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (used[i])
            continue;
        const Detection &strongest = candidates[i];
        double weight = 0, left = 0, top = 0, right = 0, bottom = 0;
        for (std::size_t j = i; j < candidates.size(); ++j) {
            if (used[j] || (j != i && IoU(strongest, candidates[j]) <= iouThreshold))
                continue;
            used[j] = true;
            const Detection &c = candidates[j];
            weight += c.score;
            left += c.score * c.x;
            top += c.score * c.y;
            right += c.score * (c.x + c.width);
            bottom += c.score * (c.y + c.height);
        }
        Detection joined;
        joined.x = static_cast<float>(left / weight);
        joined.y = static_cast<float>(top / weight);
        joined.width = static_cast<float>((right - left) / weight);
        joined.height = static_cast<float>((bottom - top) / weight);
        joined.score = strongest.score;
        blended.push_back(joined);
    }
    return blended;
}

std::vector<Detection> DropNested(const std::vector<Detection> &boxes, float insideFraction, float areaRatio)
{
    std::vector<Detection> kept;
    for (const Detection &box : boxes) {
        const bool nested = std::any_of(boxes.begin(), boxes.end(), [&](const Detection &other) {
            return other.score > box.score && Area(other) >= areaRatio * Area(box) &&
                   IntersectionArea(box, other) >= insideFraction * Area(box);
        });
        if (!nested)
            kept.push_back(box);
    }
    return kept;
}

Detection ScaleAboutCentre(const Detection &box, float factor)
{
    Detection scaled = box;
    scaled.width = box.width * factor;
    scaled.height = box.height * factor;
    scaled.x = box.x + (box.width - scaled.width) / 2;
    scaled.y = box.y + (box.height - scaled.height) / 2;
    return scaled;
}

} // namespace facedetect
