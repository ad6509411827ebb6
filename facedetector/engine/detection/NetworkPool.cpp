#include "facedetector/engine/detection/NetworkPool.h"

#include <utility>

namespace facedetect {

NetworkPool::NetworkPool(std::vector<std::uint8_t> modelBytes, NetworkFactory factory)
    : modelBytes_(std::move(modelBytes)), factory_(std::move(factory))
{
}

std::unique_ptr<FaceDetectorNetwork> NetworkPool::Take()
{
    {
        std::lock_guard guard(lock_);
        if (!idle_.empty()) {
            std::unique_ptr<FaceDetectorNetwork> network = std::move(idle_.back());
            idle_.pop_back();
            return network;
        }
    }
    return factory_(modelBytes_);
}

void NetworkPool::Return(std::unique_ptr<FaceDetectorNetwork> network)
{
    std::lock_guard guard(lock_);
    idle_.push_back(std::move(network));
}

} // namespace facedetect
