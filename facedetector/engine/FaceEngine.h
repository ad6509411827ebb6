#pragma once
// The face detection engine for callers in this process (the mirelon-facedetect program, video
// frames, tests). Link the static library mirelon_faceengine.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "facedetector/engine/decoding/ImageDecoder.h"     // DecodeError
#include "facedetector/engine/decoding/UprightPicture.h"   // DecodeUprightFile, UprightFile
#include "facedetector/engine/detection/FaceFinder.h"      // Face, FinderOptions
#include "facedetector/engine/detection/ModelFile.h"       // ModelError
#include "facedetector/engine/detection/NetworkModels.h"

namespace facedetect {

// Order of the three channels of a picture handed to the engine.
enum class ChannelOrder { Rgb, Bgr };

// Finds faces in decoded pictures. Built once, it keeps the network instances its worker
// threads built, so picture after picture (frame after frame) pays for loading the model only
// once. Calls from several threads are safe; they run one after another, each spread over the
// engine's own worker threads as FinderOptions::threads says.
class FaceEngine {
public:
    enum class ModelCheck {
        Digest,   // the file must be the network model's very file (its SHA-256): an installation
        Unchecked // the caller's own file of the same network
    };

    // Reads the model file and builds one network instance, so that a missing, altered or
    // foreign model is reported here. Throws ModelError.
    explicit FaceEngine(const std::string &modelPath, ModelCheck check = ModelCheck::Digest,
                        const NetworkModel &network = DefaultNetworkModel());
    ~FaceEngine();
    FaceEngine(const FaceEngine &) = delete;
    FaceEngine &operator=(const FaceEngine &) = delete;

    // The faces in an upright 8-bit picture of three channels (CV_8UC3, any size, any row
    // stride), in its pixels with the origin top-left, ordered left to right, then top to
    // bottom. Throws std::invalid_argument for another kind of picture, ModelError when the
    // network fails and std::bad_alloc when memory runs out.
    std::vector<Face> FindFaces(const cv::Mat &picture, ChannelOrder order = ChannelOrder::Rgb,
                                const FinderOptions &options = {});

    // The default network's model file beside the running executable (where the build and the
    // installation put it, next to mirelon and mirelon-facedetect).
    static std::string ModelBesideProgram();

private:
    std::unique_ptr<NetworkPool> networks_;
    std::mutex busy_;
};

} // namespace facedetect
