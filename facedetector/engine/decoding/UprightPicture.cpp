#include "facedetector/engine/decoding/UprightPicture.h"

#include <vector>

#include "facedetector/engine/decoding/ImageDecoder.h"
#include "facedetector/engine/decoding/OrientationTag.h"

namespace facedetect {
namespace {

bool IsTiff(const std::vector<std::uint8_t> &bytes)
{
    return bytes.size() >= 4 && ((bytes[0] == 'I' && bytes[1] == 'I' && (bytes[2] == 42 || bytes[2] == 43) && bytes[3] == 0) ||
                                 (bytes[0] == 'M' && bytes[1] == 'M' && bytes[2] == 0 && (bytes[3] == 42 || bytes[3] == 43)));
}

// libtiff's RGBA reader already mirrors by the tag, but it cannot swap rows and columns: it
// gives orientations 2 to 4 upright, 5 and 7 as a transposed picture (upright after
// orientation 5's turn) and 6 and 8 as an anti-transposed one (upright after orientation 7's).
int TurnLeftByTiffReader(int orientation)
{
    switch (orientation) {
    case 5:
    case 7:
        return 5;
    case 6:
    case 8:
        return 7;
    default:
        return 1;
    }
}

} // namespace

cv::Mat TurnUpright(const cv::Mat &stored, int orientation)
{
    cv::Mat upright;
    switch (orientation) {
    case 2:
        cv::flip(stored, upright, 1);
        break;
    case 3:
        cv::flip(stored, upright, -1);
        break;
    case 4:
        cv::flip(stored, upright, 0);
        break;
    case 5:
        cv::transpose(stored, upright);
        break;
    case 6:
        cv::rotate(stored, upright, cv::ROTATE_90_CLOCKWISE);
        break;
    case 7:
        cv::transpose(stored, upright);
        cv::flip(upright, upright, -1);
        break;
    case 8:
        cv::rotate(stored, upright, cv::ROTATE_90_COUNTERCLOCKWISE);
        break;
    default:
        return stored;
    }
    return upright;
}

UprightFile DecodeUprightFile(const std::string &path)
{
    const std::vector<std::uint8_t> bytes = ReadPictureFile(path);
    const cv::Mat picture = DecodeImageBytes(bytes);
    const int orientation = ReadOrientationTag(bytes);
    const int turnLeft = IsTiff(bytes) ? TurnLeftByTiffReader(orientation) : orientation;
    return {TurnUpright(picture, turnLeft), orientation};
}

cv::Mat DecodeUprightImageFile(const std::string &path)
{
    return DecodeUprightFile(path).picture;
}

cv::Mat DecodeStoredImageFile(const std::string &path)
{
    const std::vector<std::uint8_t> bytes = ReadPictureFile(path);
    cv::Mat picture = DecodeImageBytes(bytes);
    if (!IsTiff(bytes))
        return picture;
    // libtiff turned it part of the way: on to upright, then back by the tag's inverse turn
    // (orientations 6 and 8 undo each other, the others undo themselves).
    const int orientation = ReadOrientationTag(bytes);
    const cv::Mat upright = TurnUpright(picture, TurnLeftByTiffReader(orientation));
    return TurnUpright(upright, orientation == 6 ? 8 : orientation == 8 ? 6 : orientation);
}

} // namespace facedetect
