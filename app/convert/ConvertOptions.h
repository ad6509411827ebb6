#pragma once
#include "processing/ActionRun.h" // Action, DefaultVideoCoverSeconds

#include <QString>
#include <QStringList>

#include <stdexcept>

// The command line of mirelon-convert (ConvertUsage() lists it). Short options may be
// compacted (-qj4); a PATH of "-" stands for the list of paths on standard input.
struct ConvertOptions {
    Action action = Action::MarkFacesInImage;
    QString format = QStringLiteral("png"); // lower case, as the scripts take it
    QString destination;
    int jobs = 1;
    int timeLimitSeconds = 600;
    double coverSeconds = DefaultVideoCoverSeconds; // a face found in a video frame stays covered this long around it
    QStringList paths;     // as given, "-" included
    QStringList filesFrom; // --files-from FILE, in order; "-" is standard input
    bool nulSeparated = false; // -0: lists in and out are separated by NUL bytes, not newlines
    bool quiet = false;        // no progress on standard error, only failures
    bool verbose = false;      // a failed picture's full script output under its one-line reason
    bool help = false;         // --help: print the usage and do nothing else
    bool version = false;      // --version: print the version and do nothing else
};

// Bad usage; the text is one line for standard error.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const QString &message) : std::runtime_error(message.toStdString()), text(message) {}
    QString message() const { return text; }

private:
    QString text;
};

constexpr int MaximumJobs = 256;

// The name standing for standard input, as a PATH or as the FILE of --files-from.
inline const QString StandardInputName = QStringLiteral("-");

// Reads the arguments after the program name; `cores` is the default of --jobs. Raises
// UsageError for an unknown option, action or format, a missing or empty destination, a value
// out of range, standard input named twice, or neither a PATH nor a list.
ConvertOptions ParseConvertArguments(const QStringList &arguments, int cores);

// The text printed by --help.
QString ConvertUsage();
