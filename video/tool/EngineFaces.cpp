#include "video/tool/EngineFaces.h"

#include "facedetector/engine/FaceEngine.h"

#include <memory>

namespace mirelon::video {

FindFaces EngineFaces(const std::string &modelPath)
{
    // The engine keeps its networks from frame to frame; the model installed beside the program
    // must be the very file it was built with, one given by the caller is the caller's choice.
    auto engine = modelPath.empty() ? std::make_shared<facedetect::FaceEngine>(facedetect::FaceEngine::ModelBesideProgram())
                                    : std::make_shared<facedetect::FaceEngine>(modelPath, facedetect::FaceEngine::ModelCheck::Unchecked);
    return [engine](const cv::Mat &frame) {
        std::vector<FaceBox> boxes;
        for (const facedetect::Face &face : engine->FindFaces(frame, facedetect::ChannelOrder::Rgb))
            boxes.push_back({face.x, face.y, face.width, face.height});
        return boxes;
    };
}

} // namespace mirelon::video
