#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace facedetect {

// The model file is missing, unreadable, altered or not the network we expect.
class ModelError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a model file whole, so that several workers can build their own network from it.
std::vector<std::uint8_t> ReadModelFile(const std::string &path);

} // namespace facedetect
