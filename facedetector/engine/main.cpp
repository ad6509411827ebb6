// mirelon-facedetect: prints the faces of one picture, "x y width height" per line.
#include <cstdio>
#include <malloc.h>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include <opencv2/core/utils/logger.hpp>

#include "facedetector/engine/FaceEngine.h"
#include "facedetector/engine/cli/BmpWriter.h"
#include "facedetector/engine/cli/CommandLine.h"
#include "facedetector/engine/decoding/ImageDecoder.h"
#include "facedetector/engine/decoding/UprightPicture.h"

namespace {

constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

void PrintError(const std::string &message)
{
    std::cerr << "mirelon-facedetect: " << message << '\n';
}

} // namespace

int main(int argc, char **argv)
{
    using namespace facedetect;
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_ERROR);
    // The network allocates and frees buffers of several megabytes for every tile. By default
    // the C library hands each back to the system and faults it in anew for the next tile,
    // which cost about a third of the time on large photos; keep freed memory for reuse. Peak
    // memory does not change: the same buffers are reused.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);

    CommandLine line;
    try {
        line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError &error) {
        PrintError(error.what());
        std::cerr << "Try 'mirelon-facedetect --help'.\n";
        return ExitUsage;
    }
    if (line.showHelp) {
        std::cout << UsageText();
        return 0;
    }
    if (line.writeBmp) {
        try {
            const cv::Mat picture = DecodeStoredImageFile(line.imagePath);
            if (!WriteBmp(picture, std::cout)) {
                PrintError("cannot write the picture");
                return ExitFailure;
            }
            return 0;
        } catch (const DecodeError &error) {
            PrintError(line.imagePath + ": " + error.what());
        } catch (const std::bad_alloc &) {
            PrintError(line.imagePath + ": not enough memory for this picture");
        }
        return ExitFailure;
    }
    // The model installed beside the program must be the very file it was built with; one given
    // with --model is the caller's choice.
    const FaceEngine::ModelCheck check = line.modelPath.empty() ? FaceEngine::ModelCheck::Digest : FaceEngine::ModelCheck::Unchecked;
    if (line.modelPath.empty())
        line.modelPath = FaceEngine::ModelBesideProgram();

    try {
        // The model first: a broken installation is reported before any time goes into decoding.
        FaceEngine engine(line.modelPath, check);
        UprightFile upright;
        try {
            upright = DecodeUprightFile(line.imagePath);
        } catch (const DecodeError &error) {
            PrintError(line.imagePath + ": " + error.what());
            return ExitFailure;
        }
        const std::vector<Face> faces = engine.FindFaces(upright.picture, ChannelOrder::Rgb, line.finder);

        std::string output;
        if (line.printOrientation)
            output += "orientation " + std::to_string(upright.orientation) + '\n';
        for (const Face &face : faces) {
            output += std::to_string(face.x) + ' ' + std::to_string(face.y) + ' ' + std::to_string(face.width) + ' ' +
                      std::to_string(face.height);
            if (line.printScores) {
                char score[16];
                std::snprintf(score, sizeof score, " %.3f", face.score);
                output += score;
            }
            output += '\n';
        }
        std::cout << output << std::flush;
        if (!std::cout) {
            PrintError("cannot write the result");
            return ExitFailure;
        }
        return 0;
    } catch (const ModelError &error) {
        PrintError(error.what());
    } catch (const cv::Exception &error) {
        PrintError(std::string("OpenCV failed: ") + error.what());
    } catch (const std::bad_alloc &) {
        PrintError(line.imagePath + ": not enough memory for this picture");
    } catch (const std::exception &error) {
        PrintError(error.what());
    }
    return ExitFailure;
}
