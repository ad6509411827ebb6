#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include <opencv2/core.hpp>

#include "facedetector/engine/detection/Detection.h"

namespace facedetect {

// One instance of a face detection network, built from its model file. The finder runs it on
// tiles of an image pyramid; it need not be thread-safe, since each worker owns one instance.
class FaceDetectorNetwork {
public:
    virtual ~FaceDetectorNetwork() = default;

    // Detections in tile pixels with a score of at least minScore. tile: 8-bit RGB, any size.
    virtual std::vector<Detection> Detect(const cv::Mat &tile, float minScore) = 0;
};

// Builds one network instance from the bytes of its model file; throws ModelError when the
// bytes are not the network it expects.
using NetworkFactory = std::function<std::unique_ptr<FaceDetectorNetwork>(std::span<const std::uint8_t> modelBytes)>;

} // namespace facedetect
