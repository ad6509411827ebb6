#include "facedetector/engine/detection/YuNetModel.h"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

#include "facedetector/engine/detection/ModelFile.h"

namespace facedetect {
namespace {

constexpr int Strides[] = {8, 16, 32};
constexpr int StrideCount = 3;

int AlignUp(int length)
{
    return (length + YuNetModel::Alignment - 1) / YuNetModel::Alignment * YuNetModel::Alignment;
}

} // namespace

YuNetModel::YuNetModel(std::span<const std::uint8_t> modelBytes)
{
    // Requested in this order: cls, obj, bbox for each stride.
    for (const char *kind : {"cls_", "obj_", "bbox_"})
        for (int stride : Strides)
            outputNames_.push_back(kind + std::to_string(stride));
    try {
        net_ = cv::dnn::readNetFromONNX(reinterpret_cast<const char *>(modelBytes.data()), modelBytes.size());
    } catch (const cv::Exception &error) {
        throw ModelError("the face detection model cannot be loaded: " + std::string(error.what()));
    }
    if (net_.empty())
        throw ModelError("the face detection model cannot be loaded");
    const std::vector<cv::String> layers = net_.getLayerNames();
    for (const cv::String &name : outputNames_)
        if (std::find(layers.begin(), layers.end(), name) == layers.end())
            throw ModelError("the face detection model has no output " + name + "; it is not the expected network");
    net_.setPreferableBackend(cv::dnn::DNN_BACKEND_OPENCV);
    net_.setPreferableTarget(cv::dnn::DNN_TARGET_CPU);
}

std::vector<Detection> YuNetModel::Detect(const cv::Mat &tile, float minScore)
{
    CV_Assert(tile.type() == CV_8UC3 && !tile.empty());
    const int width = AlignUp(tile.cols);
    // An input one coarsest cell high (32 rows) and several hundred pixels wide makes OpenCV's
    // network answer from memory it never wrote: boxes of score 1 that change from run to run.
    // Two cells high it answers soundly, so such strips get black rows below.
    const int height = std::max(AlignUp(tile.rows), 2 * YuNetModel::Alignment);
    const cv::Mat *input = &tile;
    if (width != tile.cols || height != tile.rows) {
        cv::copyMakeBorder(tile, padded_, 0, height - tile.rows, 0, width - tile.cols, cv::BORDER_CONSTANT, cv::Scalar::all(0));
        input = &padded_;
    }
    // The decoders give RGB; the network wants BGR.
    const cv::Mat blob = cv::dnn::blobFromImage(*input, 1.0, cv::Size(), cv::Scalar(), /*swapRB=*/true, /*crop=*/false, CV_32F);

    std::vector<cv::Mat> outputs;
    try {
        net_.setInput(blob);
        net_.forward(outputs, outputNames_);
    } catch (const cv::Exception &error) {
        throw ModelError("the face detection model failed to run: " + std::string(error.what()));
    }

    std::vector<Detection> found;
    for (int i = 0; i < StrideCount; ++i) {
        const int stride = Strides[i];
        const int columns = width / stride;
        const std::size_t cells = static_cast<std::size_t>(columns) * (height / stride);
        const cv::Mat &cls = outputs[i];
        const cv::Mat &obj = outputs[StrideCount + i];
        const cv::Mat &bbox = outputs[2 * StrideCount + i];
        if (cls.total() != cells || obj.total() != cells || bbox.total() != cells * 4 || cls.depth() != CV_32F ||
            obj.depth() != CV_32F || bbox.depth() != CV_32F)
            throw ModelError("the face detection model has unexpected outputs");
        const float *clsValues = cls.ptr<float>();
        const float *objValues = obj.ptr<float>();
        const float *boxValues = bbox.ptr<float>();
        const float minProduct = minScore * minScore;
        for (std::size_t cell = 0; cell < cells; ++cell) {
            const float product = std::clamp(clsValues[cell], 0.0f, 1.0f) * std::clamp(objValues[cell], 0.0f, 1.0f);
            if (product < minProduct)
                continue;
            const float *box = boxValues + cell * 4;
            const float column = static_cast<float>(cell % static_cast<std::size_t>(columns));
            const float row = static_cast<float>(cell / static_cast<std::size_t>(columns));
            Detection detection;
            detection.width = std::exp(std::min(box[2], 20.0f)) * stride;
            detection.height = std::exp(std::min(box[3], 20.0f)) * stride;
            detection.x = (column + box[0]) * stride - detection.width / 2;
            detection.y = (row + box[1]) * stride - detection.height / 2;
            detection.score = std::sqrt(product);
            if (std::isfinite(detection.x) && std::isfinite(detection.y) && detection.width > 0 && detection.height > 0)
                found.push_back(detection);
        }
    }
    return found;
}

} // namespace facedetect
