#include "scripts/FaceCoverRule.h"

#include <algorithm>
#include <cmath>

namespace facecover {
namespace {

// Whole-number arithmetic throughout, so that the PHP scripts compute the very same pixels.
long long Margin(int length)
{
    return (static_cast<long long>(length) * CoverMarginPercent + 50) / 100;
}

} // namespace

Box CoverArea(const Box &face, int pictureWidth, int pictureHeight)
{
    if (face.width <= 0 || face.height <= 0 || pictureWidth <= 0 || pictureHeight <= 0)
        return {};
    const long long left = std::max<long long>(0, face.x - Margin(face.width));
    const long long top = std::max<long long>(0, face.y - Margin(face.height));
    const long long right = std::min<long long>(pictureWidth, static_cast<long long>(face.x) + face.width + Margin(face.width));
    const long long bottom = std::min<long long>(pictureHeight, static_cast<long long>(face.y) + face.height + Margin(face.height));
    if (right <= left || bottom <= top)
        return {};
    return {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left), static_cast<int>(bottom - top)};
}

int CoverBlockSize(const Box &face)
{
    const long long longer = std::max({face.width, face.height, 0});
    return static_cast<int>(std::max<long long>(CoverSmallestBlock, (longer + CoverBlocksAcross - 1) / CoverBlocksAcross));
}

double CoverSofteningSigma(int blockSize)
{
    const double enlargement = std::max(1.0, static_cast<double>(blockSize) / CoverSofteningBlock);
    return std::sqrt(CoverSofteningPasses * 0.5) * enlargement;
}

} // namespace facecover
