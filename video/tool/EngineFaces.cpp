#include "video/tool/EngineFaces.h"

#include "facedetector/engine/FaceEngine.h"

#include <memory>
#include <mutex>
#include <vector>

namespace mirelon::video {
namespace {

// Engines for frames searched at the same time: each search takes one, runs on one core and
// gives it back. An engine keeps its network from frame to frame, so each is built once.
class EnginePool {
public:
    explicit EnginePool(const std::string &modelPath) : modelPath_(modelPath) { give(make()); }

    std::unique_ptr<facedetect::FaceEngine> take()
    {
        {
            std::lock_guard guard(lock_);
            if (!idle_.empty()) {
                std::unique_ptr<facedetect::FaceEngine> engine = std::move(idle_.back());
                idle_.pop_back();
                return engine;
            }
        }
        return make();
    }

    void give(std::unique_ptr<facedetect::FaceEngine> engine)
    {
        std::lock_guard guard(lock_);
        idle_.push_back(std::move(engine));
    }

private:
    // The model installed beside the program must be the very file it was built with; one given
    // by the caller is the caller's choice.
    std::unique_ptr<facedetect::FaceEngine> make() const
    {
        return modelPath_.empty() ? std::make_unique<facedetect::FaceEngine>(facedetect::FaceEngine::ModelBesideProgram())
                                  : std::make_unique<facedetect::FaceEngine>(modelPath_, facedetect::FaceEngine::ModelCheck::Unchecked);
    }

    const std::string modelPath_;
    std::mutex lock_;
    std::vector<std::unique_ptr<facedetect::FaceEngine>> idle_;
};

} // namespace

FindFaces EngineFaces(const std::string &modelPath)
{
    // Frames are searched side by side, one core each; OpenCV's own thread pool would only
    // compete with them (the engine leaves the setting alone when it is one already).
    cv::setNumThreads(1);
    auto engines = std::make_shared<EnginePool>(modelPath);
    return [engines](const cv::Mat &frame, const SearchTurn &turn) {
        std::unique_ptr<facedetect::FaceEngine> engine = engines->take();
        facedetect::FinderOptions options;
        options.threads = 1;
        options.turns.frame = static_cast<unsigned long long>(turn.frame);
        options.turns.longestPeriod = static_cast<unsigned>(std::max(1, turn.longestPeriod));
        std::vector<FaceBox> boxes;
        for (const facedetect::Face &face : engine->FindFaces(frame, facedetect::ChannelOrder::Rgb, options))
            boxes.push_back({face.x, face.y, face.width, face.height});
        engines->give(std::move(engine));
        return boxes;
    };
}

} // namespace mirelon::video
