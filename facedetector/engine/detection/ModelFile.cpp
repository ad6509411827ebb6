#include "facedetector/engine/detection/ModelFile.h"

#include <fstream>
#include <iterator>

namespace facedetect {

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

} // namespace facedetect
