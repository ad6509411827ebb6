// libFuzzer entry for video: any bytes, written to a file, are probed and then blurred frame by
// frame (a fixed face per frame, so that covering and writing back run too). They either give a
// video or end with VideoError; nothing else may happen.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "video/VideoProbe.h"
#include "video/VideoProcessing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const std::string folder = [] {
        char name[] = "/tmp/fuzz-video-XXXXXX";
        return std::string(mkdtemp(name));
    }();
    const std::string input = folder + "/input.mkv", output = folder + "/output.mkv";
    if (FILE *file = std::fopen(input.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    using namespace mirelon::video;
    ProbeVideo(input);
    VideoSettings settings;
    settings.action = VideoAction::Blur;
    try {
        ProcessVideo(input, output, settings, [](const cv::Mat &frame, const SearchTurn &) { return std::vector<FaceBox>{{frame.cols / 4, frame.rows / 4, frame.cols / 2, frame.rows / 2}}; }, {});
    } catch (const VideoError &) {
    }
    std::remove(output.c_str());
    return 0;
}
