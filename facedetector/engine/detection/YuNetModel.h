#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/dnn.hpp>

#include "facedetector/engine/detection/FaceDetectorNetwork.h"

namespace facedetect {

// One instance of the YuNet face detection network. Not thread-safe: each worker owns one.
//
// Input: one BGR picture as NCHW float, values 0 to 255, sides multiples of 32 (any size; the
// picture is padded with black on the right and bottom, to at least 64 rows). Outputs per
// stride s of 8, 16 and 32:
// "cls_s" and "obj_s" (one value per grid cell) and "bbox_s" (four per cell), cell index =
// row * columns + column with columns = padded width / s. Score = sqrt(cls * obj); box centre
// = ((column, row) + bbox[0..1]) * s, size = exp(bbox[2..3]) * s.
class YuNetModel final : public FaceDetectorNetwork {
public:
    static constexpr int Alignment = 32; // input sides are multiples of this

    // Throws ModelError when the bytes are not a YuNet network.
    explicit YuNetModel(std::span<const std::uint8_t> modelBytes);

    std::vector<Detection> Detect(const cv::Mat &tile, float minScore) override;

private:
    cv::dnn::Net net_;
    std::vector<cv::String> outputNames_;
    cv::Mat padded_;
};

} // namespace facedetect
