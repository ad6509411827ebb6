#pragma once
#include "video/VideoProcessing.h"

#include <string>

namespace mirelon::video {

// The detection engine as a frame searcher, safe to call for several frames at once (each gets
// an engine of its own, on one core): the model at `modelPath`, or the one installed
// beside this program (then checked against the digest it was built with). Throws on a
// missing or altered model.
FindFaces EngineFaces(const std::string &modelPath);

} // namespace mirelon::video
