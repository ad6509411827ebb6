#include "facedetector/engine/cli/CommandLine.h"

#include <charconv>
#include <cmath>
#include <sstream>

#include "facedetector/engine/detection/NetworkModels.h"

namespace facedetect {
namespace {

double ParseNumber(const std::string &option, const std::string &text, double low, double high, bool whole = false)
{
    double value = 0;
    const char *end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || !std::isfinite(value) || value < low || value > high ||
        (whole && value != std::floor(value))) {
        std::ostringstream message;
        message << option << " needs " << (whole ? "a whole number" : "a number") << " from " << low << " to " << high
                << ", not \"" << text << '"';
        throw UsageError(message.str());
    }
    return value;
}

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string> &arguments)
{
    CommandLine line;
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string &argument = arguments[i];
        if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
            positional.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "-h" || argument == "--help") {
            line.showHelp = true;
            continue;
        }
        if (argument == "--scores") {
            line.printScores = true;
            continue;
        }
        if (argument == "--bmp") {
            line.writeBmp = true;
            continue;
        }
        if (argument == "--orientation") {
            line.printOrientation = true;
            continue;
        }
        if (i + 1 >= arguments.size())
            throw UsageError(argument + " needs a value");
        const std::string &value = arguments[++i];
        if (argument == "--model")
            line.modelPath = value;
        else if (argument == "--min-face")
            line.finder.pyramid.minFace = ParseNumber(argument, value, 8, 100000);
        else if (argument == "--threshold")
            line.finder.minScore = static_cast<float>(ParseNumber(argument, value, 0.01, 1));
        else if (argument == "--threads")
            line.finder.threads = static_cast<unsigned>(ParseNumber(argument, value, 1, 256, true));
        else
            throw UsageError("unknown option " + argument);
    }
    if (line.showHelp)
        return line;
    if (positional.size() != 1)
        throw UsageError(positional.empty() ? "no image file given" : "give exactly one image file");
    line.imagePath = positional.front();
    return line;
}

std::string UsageText()
{
    const std::string modelName(DefaultNetworkModel().fileName);
    return "Usage: mirelon-facedetect [options] IMAGE\n"
           "Finds the faces in a picture (PNG, JPEG, GIF, BMP, WEBP, TIFF, HEIF or AVIF) and prints\n"
           "one line \"x y width height\" per face, in picture pixels with the origin top-left,\n"
           "ordered left to right, then top to bottom. No output lines: no face. A JPEG or TIFF photo\n"
           "with an EXIF orientation tag is searched, and answered for, upright, as viewers\n"
           "show it.\n"
           "\n"
           "Options:\n"
           "  --model FILE       another file of the same network, used unchecked (default:\n"
           "                     " + modelName + " beside the program, checked by digest)\n"
           "  --min-face PIXELS  smallest face to look for (default: 12)\n"
           "  --threshold SCORE  lowest score, 0.01 to 1, that counts as a face (default: 0.45)\n"
           "  --threads N        worker threads (default: one per processor core, one for a\n"
           "                     picture of a megapixel or less)\n"
           "  --scores           add each face's score (0 to 1) as a fifth column\n"
           "  --orientation      first print \"orientation N\": the EXIF orientation (1 to 8)\n"
           "                     by which the picture was turned upright before the search;\n"
           "                     a caller that turns the picture itself must use this one\n"
           "  --bmp              find no faces: write the picture as decoded, in its stored\n"
           "                     orientation, as a 24-bit BMP to standard output (for readers\n"
           "                     that lack the picture's format)\n"
           "  -h, --help         show this text\n"
           "\n"
           "Exit status: 0 when the picture was searched (with or without faces), 1 when the\n"
           "picture or the model cannot be read or the model has been altered, 2 for a wrong\n"
           "command line.\n";
}

} // namespace facedetect
