#pragma once
#include <vector>

#include "facedetector/engine/detection/Detection.h"

namespace facedetect {

float Area(const Detection &box);
float IntersectionArea(const Detection &a, const Detection &b);
float IoU(const Detection &a, const Detection &b);

// Joins the candidates of one face (seen by several tiles, levels and anchors): the strongest
// candidate and all with IoU above iouThreshold become their score-weighted mean box, keeping
// the strongest score. Result ordered by score, strongest first.
std::vector<Detection> BlendOverlapping(std::vector<Detection> candidates, float iouThreshold);

// Drops a box that lies mostly (insideFraction of its area) inside a stronger box at least
// areaRatio times its area: a face part mistaken for a face.
std::vector<Detection> DropNested(const std::vector<Detection> &boxes, float insideFraction, float areaRatio);

// The box grown (or shrunk) by factor about its centre.
Detection ScaleAboutCentre(const Detection &box, float factor);

} // namespace facedetect
