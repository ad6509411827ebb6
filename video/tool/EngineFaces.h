#pragma once
#include "video/VideoProcessing.h"

#include <string>

namespace mirelon::video {

// The detection engine as a frame searcher: the model at `modelPath`, or the one installed
// beside this program (then checked against the digest it was built with). Throws on a
// missing or altered model.
FindFaces EngineFaces(const std::string &modelPath);

} // namespace mirelon::video
