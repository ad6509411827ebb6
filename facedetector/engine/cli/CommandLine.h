#pragma once
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "facedetector/engine/detection/FaceFinder.h"

namespace facedetect {

// A command line the program cannot run with.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct CommandLine {
    std::string imagePath;
    std::string modelPath; // empty: the model beside the program
    bool printScores = false;
    bool writeBmp = false; // --bmp: the decoded picture as a BMP on standard output, no search
    bool printOrientation = false;
    bool showHelp = false;
    FinderOptions finder;
};

// Parses the arguments after the program name. Throws UsageError.
CommandLine ParseCommandLine(const std::vector<std::string> &arguments);

std::string UsageText();

} // namespace facedetect
