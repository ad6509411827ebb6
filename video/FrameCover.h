#pragma once
#include "video/FaceBox.h"

#include <opencv2/core.hpp>

namespace mirelon::video {

// Covers the face `box` in an 8-bit RGB frame as Blur covers faces in pictures: the box grown
// by the shared margin, turned into blocks that grow with the face, then softened; the block
// size rounded up to a ladder of steps and the area grown to whole blocks, so that the cover
// does not shimmer as the box found for the face wavers from frame to frame. Returns the
// part of the frame it changed (empty when the box lies outside).
cv::Rect CoverFace(cv::Mat &frame, const FaceBox &box);

// Outlines the face `box` with a 1-pixel red rectangle from (x, y) to (x + width, y + height),
// both corners included, as Mark does in pictures. Returns the part of the frame it changed.
cv::Rect MarkFace(cv::Mat &frame, const FaceBox &box);

} // namespace mirelon::video
