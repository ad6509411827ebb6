#include "facedetector/engine/detection/NetworkModels.h"

#include "facedetector/engine/detection/YuNetModel.h"

namespace facedetect {

const NetworkModel &DefaultNetworkModel()
{
    // The file name and digest come from the build, which checks the vendored file against them.
    static const NetworkModel yuNet{FACEDETECT_MODEL_NAME, FACEDETECT_MODEL_SHA256,
                                    [](std::span<const std::uint8_t> bytes) { return std::make_unique<YuNetModel>(bytes); }};
    return yuNet;
}

} // namespace facedetect
