#include "video/tool/EngineFaces.h"

#include "facedetector/engine/FaceFinder.h"
#include "facedetector/engine/Sha256.h"
#include "facedetector/engine/YuNetModel.h"

#include <filesystem>
#include <memory>

namespace mirelon::video {

FindFaces EngineFaces(const std::string &modelPath)
{
    std::string path = modelPath;
    if (path.empty())
        path = (std::filesystem::read_symlink("/proc/self/exe").parent_path() / FACEDETECT_MODEL_NAME).string();
    auto model = std::make_shared<std::vector<std::uint8_t>>(facedetect::ReadModelFile(path));
    if (modelPath.empty() && facedetect::Sha256Hex(*model) != FACEDETECT_MODEL_SHA256)
        throw VideoError("the face detection model has been altered: " + path);
    return [model](const cv::Mat &frame) {
        std::vector<FaceBox> boxes;
        for (const facedetect::Face &face : facedetect::FindFaces(frame, *model, facedetect::FinderOptions{}))
            boxes.push_back({face.x, face.y, face.width, face.height});
        return boxes;
    };
}

} // namespace mirelon::video
