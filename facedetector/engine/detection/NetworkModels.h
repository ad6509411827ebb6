#pragma once
#include <string_view>

#include "facedetector/engine/detection/FaceDetectorNetwork.h"

namespace facedetect {

// A network the engine can run: the model file it is built from, that file's SHA-256 (the
// installed file must be this very one) and how to build an instance. A second network is one
// class implementing FaceDetectorNetwork plus an entry here and its model file in the build.
struct NetworkModel {
    std::string_view fileName;
    std::string_view sha256; // 64 lower-case hexadecimal digits
    NetworkFactory create;
};

// The network the engine uses: YuNet.
const NetworkModel &DefaultNetworkModel();

} // namespace facedetect
