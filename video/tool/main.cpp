// mirelon-video: finds the faces in every frame of one video and writes it with the faces
// covered or marked, or their positions as text. Progress goes to standard output as lines
// "frame 120 of 3000"; a failure is one line on standard error and exit status 1.
#include "video/VideoProcessing.h"
#include "video/tool/EngineFaces.h"

#include <malloc.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {

std::atomic<bool> StopFlag{false};

void RequestStop(int)
{
    StopFlag.store(true);
}

const char Usage[] = "Usage: mirelon-video --action blur|mark|export|save [--cover-seconds S] [--model FILE] INPUT OUTPUT\n"
                      "Writes OUTPUT under a passing name beside it and moves it in when whole.\n";

int UsageError(const std::string &message)
{
    std::cerr << "mirelon-video: " << message << '\n' << Usage;
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    using namespace mirelon::video;
    // Frames and the network's working memory, megabytes each, are allocated and freed frame
    // after frame: kept in the heap rather than handed back to the system every time, they cost
    // no page faults (otherwise a tenth of the processor time).
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
    VideoSettings settings;
    std::string action, model;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--help") {
            std::cout << Usage;
            return 0;
        } else if (argument == "--action" && hasValue) {
            action = argv[++i];
        } else if (argument == "--cover-seconds" && hasValue) {
            char *end = nullptr;
            settings.coverSeconds = std::strtod(argv[++i], &end);
            if (*end || !(settings.coverSeconds >= 0 && settings.coverSeconds <= 10))
                return UsageError("--cover-seconds takes seconds from 0 to 10");
        } else if (argument == "--model" && hasValue) {
            model = argv[++i];
        } else if (argument.rfind("--", 0) == 0) {
            return UsageError("unknown option " + argument);
        } else {
            paths.push_back(argument);
        }
    }
    if (paths.size() != 2)
        return UsageError("an input and an output are needed");
    if (action == "blur")
        settings.action = VideoAction::Blur;
    else if (action == "mark")
        settings.action = VideoAction::Mark;
    else if (action == "export")
        settings.action = VideoAction::Export;
    else if (action == "save") {
        std::cerr << "mirelon-video: " << SaveFacesRefusal << '\n';
        return 1;
    } else
        return UsageError("--action is blur, mark, export or save");

    std::signal(SIGTERM, RequestStop);
    std::signal(SIGINT, RequestStop);
    std::signal(SIGHUP, RequestStop);
    settings.stop = &StopFlag;
    const std::filesystem::path output = paths[1];
    const std::filesystem::path passing = PassingName(output.string());
    settings.finalName = output.string();
    try {
        const FindFaces findFaces = EngineFaces(model);
        auto lastShown = std::chrono::steady_clock::now() - std::chrono::seconds(1);
        const FrameProgress progress = [&lastShown](std::int64_t done, std::int64_t total) {
            const auto now = std::chrono::steady_clock::now();
            if (done == total || now - lastShown >= std::chrono::milliseconds(250)) {
                lastShown = now;
                std::printf("frame %lld of %lld\n", static_cast<long long>(done), static_cast<long long>(total));
                std::fflush(stdout);
            }
        };
        ProcessVideo(paths[0], passing.string(), settings, findFaces, progress);
        std::error_code error;
        std::filesystem::rename(passing, output, error);
        if (error)
            throw VideoError("cannot move the output to " + output.string() + ": " + error.message());
        return 0;
    } catch (const std::exception &error) {
        std::error_code ignored;
        std::filesystem::remove(passing, ignored);
        std::cerr << "mirelon-video: " << error.what() << '\n';
    }
    return 1;
}
