#pragma once
#include "processing/ActionRun.h" // Action

#include <QString>
#include <QStringList>

#include <stdexcept>

// The command line of mirelon-convert:
//   --action export|mark|blur|save  --format png|jpg|webp|bmp  --destination DIR
//   [--jobs N] [--time-limit SECONDS] PATH...
struct ConvertOptions {
    Action action = Action::MarkFacesInImage;
    QString format = QStringLiteral("png"); // lower case, as the scripts take it
    QString destination;
    int jobs = 1;
    int timeLimitSeconds = 600;
    QStringList paths;
    bool help = false;    // --help: print the usage and do nothing else
    bool verbose = false; // --verbose: a failed picture's full output under its reason
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

// Reads the arguments after the program name; `cores` is the default of --jobs. Raises
// UsageError for an unknown option, action or format, a missing or empty destination, a value
// out of range, or no PATH.
ConvertOptions ParseConvertArguments(const QStringList &arguments, int cores);

// The text printed by --help.
QString ConvertUsage();
