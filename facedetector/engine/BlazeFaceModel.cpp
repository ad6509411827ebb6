#include "facedetector/engine/BlazeFaceModel.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

#include <opencv2/imgproc.hpp>

namespace facedetect {
namespace {

struct Grid {
    int cells;          // G: cells per side
    int anchorsPerCell; // A
    int scoreOutput;    // index into the outputs
    int boxOutput;
};
// Output order as requested in the constructor.
constexpr Grid Grids[] = {{16, 2, 0, 2}, {8, 6, 1, 3}};
constexpr int RegressorValues = 16;

float Sigmoid(float raw)
{
    raw = std::clamp(raw, -100.0f, 100.0f);
    return 1.0f / (1.0f + std::exp(-raw));
}

} // namespace

std::vector<std::uint8_t> ReadModelFile(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw ModelError("the face detection model is missing: " + path);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.empty())
        throw ModelError("the face detection model is empty: " + path);
    return bytes;
}

BlazeFaceModel::BlazeFaceModel(const std::vector<std::uint8_t> &modelBytes)
    : outputNames_{"Identity:0", "Identity_1:0", "Identity_2:0", "Identity_3:0"}
{
    try {
        net_ = cv::dnn::readNetFromONNX(reinterpret_cast<const char *>(modelBytes.data()), modelBytes.size());
    } catch (const cv::Exception &error) {
        throw ModelError("the face detection model cannot be loaded: " + std::string(error.what()));
    }
    if (net_.empty())
        throw ModelError("the face detection model cannot be loaded");
    net_.setPreferableBackend(cv::dnn::DNN_BACKEND_OPENCV);
    net_.setPreferableTarget(cv::dnn::DNN_TARGET_CPU);
    const int inputShape[] = {1, InputSize, InputSize, 3};
    input_.create(4, inputShape, CV_32F);
}

std::vector<Detection> BlazeFaceModel::Detect(const cv::Mat &tile, float minScore)
{
    CV_Assert(tile.type() == CV_8UC3 && tile.rows <= InputSize && tile.cols <= InputSize);
    // NHWC is the interleaved layout of a 3-channel float picture, so convert straight into it.
    cv::Mat inputPixels(InputSize, InputSize, CV_32FC3, input_.ptr<float>());
    if (tile.rows < InputSize || tile.cols < InputSize)
        inputPixels.setTo(cv::Scalar::all(-1.0)); // black beyond the level
    tile.convertTo(inputPixels(cv::Rect(0, 0, tile.cols, tile.rows)), CV_32F, 1.0 / 127.5, -1.0);

    std::vector<cv::Mat> outputs;
    try {
        net_.setInput(input_);
        net_.forward(outputs, outputNames_);
    } catch (const cv::Exception &error) {
        throw ModelError("the face detection model failed to run: " + std::string(error.what()));
    }

    std::vector<Detection> found;
    for (const Grid &grid : Grids) {
        const int anchors = grid.cells * grid.cells * grid.anchorsPerCell;
        const cv::Mat &scores = outputs[grid.scoreOutput];
        const cv::Mat &boxes = outputs[grid.boxOutput];
        if (scores.total() != static_cast<std::size_t>(anchors) || boxes.total() != static_cast<std::size_t>(anchors) * RegressorValues)
            throw ModelError("the face detection model has unexpected outputs");
        const float *score = scores.ptr<float>();
        const float *box = boxes.ptr<float>();
        const float cellSize = static_cast<float>(InputSize) / grid.cells;
        for (int index = 0; index < anchors; ++index) {
            const float probability = Sigmoid(score[index]);
            if (probability < minScore)
                continue;
            const int cell = index / grid.anchorsPerCell;
            const float anchorX = (static_cast<float>(cell % grid.cells) + 0.5f) * cellSize;
            const float anchorY = (static_cast<float>(cell / grid.cells) + 0.5f) * cellSize;
            const float *values = box + static_cast<std::size_t>(index) * RegressorValues;
            Detection detection;
            detection.width = values[2];
            detection.height = values[3];
            detection.x = anchorX + values[0] - detection.width / 2;
            detection.y = anchorY + values[1] - detection.height / 2;
            detection.score = probability;
            if (detection.width > 0 && detection.height > 0)
                found.push_back(detection);
        }
    }
    return found;
}

} // namespace facedetect
