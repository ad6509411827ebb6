#include "facedetector/engine/FaceEngine.h"

#include <filesystem>
#include <stdexcept>

#include <opencv2/imgproc.hpp>

#include "facedetector/engine/detection/NetworkPool.h"
#include "facedetector/engine/detection/Sha256.h"

namespace facedetect {

FaceEngine::FaceEngine(const std::string &modelPath, ModelCheck check, const NetworkModel &network)
{
    std::vector<std::uint8_t> model = ReadModelFile(modelPath);
    if (check == ModelCheck::Digest && Sha256Hex(model) != network.sha256)
        throw ModelError("the face detection model has been altered (its SHA-256 differs from the one built in): " + modelPath);
    networks_ = std::make_unique<NetworkPool>(std::move(model), network.create);
    networks_->Return(networks_->Take());
}

FaceEngine::~FaceEngine() = default;

std::vector<Face> FaceEngine::FindFaces(const cv::Mat &picture, ChannelOrder order, const FinderOptions &options)
{
    if (picture.empty() || picture.type() != CV_8UC3)
        throw std::invalid_argument("the face engine needs an 8-bit picture of three channels");
    std::lock_guard guard(busy_);
    // The finder cuts tiles from the picture, and padding a tile reaches past its edge into
    // whatever memory surrounds it: a frame that is part of a larger buffer is copied out first,
    // so that the answer depends on the frame alone.
    if (order == ChannelOrder::Rgb && !picture.isSubmatrix())
        return facedetect::FindFaces(picture, *networks_, options);
    cv::Mat own;
    if (order == ChannelOrder::Rgb)
        own = picture.clone();
    else
        cv::cvtColor(picture, own, cv::COLOR_BGR2RGB);
    return facedetect::FindFaces(own, *networks_, options);
}

std::string FaceEngine::ModelBesideProgram()
{
    const std::string name(DefaultNetworkModel().fileName);
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return name;
    return (program.parent_path() / name).string();
}

} // namespace facedetect
