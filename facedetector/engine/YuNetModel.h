#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/dnn.hpp>

namespace facedetect {

// The model file is missing, unreadable or not the network we expect.
class ModelError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A face candidate: box left, top, width and height, and the score (0..1).
struct Detection {
    float x = 0, y = 0, width = 0, height = 0;
    float score = 0;
};

// Reads a model file whole, so that several workers can build their own network from it.
std::vector<std::uint8_t> ReadModelFile(const std::string &path);

// One instance of the YuNet face detection network. Not thread-safe: each worker owns one.
//
// Input: one BGR picture as NCHW float, values 0 to 255, sides multiples of 32 (any size; the
// picture is padded with black on the right and bottom). Outputs per stride s of 8, 16 and 32:
// "cls_s" and "obj_s" (one value per grid cell) and "bbox_s" (four per cell), cell index =
// row * columns + column with columns = padded width / s. Score = sqrt(cls * obj); box centre
// = ((column, row) + bbox[0..1]) * s, size = exp(bbox[2..3]) * s.
class YuNetModel {
public:
    static constexpr int Alignment = 32; // input sides are multiples of this

    explicit YuNetModel(const std::vector<std::uint8_t> &modelBytes);

    // Detections in tile pixels with a score of at least minScore. tile: 8-bit RGB, any size.
    std::vector<Detection> Detect(const cv::Mat &tile, float minScore);

private:
    cv::dnn::Net net_;
    std::vector<cv::String> outputNames_;
    cv::Mat padded_;
};

} // namespace facedetect
