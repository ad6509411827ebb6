#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "facedetector/engine/detection/FaceDetectorNetwork.h"

namespace facedetect {

// Network instances built from one model, kept for the next picture: building an instance costs
// about as much as searching a megapixel, so a caller searching frame after frame builds each
// worker's instance once. Thread-safe.
class NetworkPool {
public:
    NetworkPool(std::vector<std::uint8_t> modelBytes, NetworkFactory factory);

    // An instance for one worker: a kept one, or a new one built in the calling thread (so
    // workers build theirs in parallel). Throws ModelError.
    std::unique_ptr<FaceDetectorNetwork> Take();
    // Keeps an instance for a later Take.
    void Return(std::unique_ptr<FaceDetectorNetwork> network);

private:
    const std::vector<std::uint8_t> modelBytes_;
    const NetworkFactory factory_;
    std::mutex lock_;
    std::vector<std::unique_ptr<FaceDetectorNetwork>> idle_;
};

} // namespace facedetect
