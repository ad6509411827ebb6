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

// One instance of the 256 x 256 BlazeFace network. Not thread-safe: each worker owns one.
//
// Input "input:0": NHWC float [1, 256, 256, 3], RGB, pixel / 127.5 - 1.
// Outputs: a 16 x 16 grid with 2 anchors per cell (scores "Identity:0" [1, 512, 1], boxes
// "Identity_2:0" [1, 512, 16]) and an 8 x 8 grid with 6 anchors per cell ("Identity_1:0"
// [1, 384, 1], "Identity_3:0" [1, 384, 16]). Anchor index = (row * G + col) * A + a, anchor
// centre ((col + 0.5) / G, (row + 0.5) / G) * 256; the first four regressor values are the box
// centre offset and size in input pixels; score = sigmoid(raw).
class BlazeFaceModel {
public:
    static constexpr int InputSize = 256;

    explicit BlazeFaceModel(const std::vector<std::uint8_t> &modelBytes);

    // Detections in tile pixels with a score of at least minScore. tile: 8-bit RGB, at most 256 x 256 (the top-left part of the model input; the rest is black).
    std::vector<Detection> Detect(const cv::Mat &tile, float minScore);

private:
    cv::dnn::Net net_;
    std::vector<cv::String> outputNames_;
    cv::Mat input_;
};

} // namespace facedetect
