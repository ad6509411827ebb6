#pragma once
#include "processing/ImageJob.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

// When one image's script counts as failed, and what becomes of the files it was writing.

// The state of an output file after its script ran.
enum class OutputState {
    Missing,    // no file under that name
    Incomplete, // a picture that is not whole: cut short, or empty
    Whole,      // a whole picture, or a file whose format cannot be judged (text)
};

// Whether a file of `size` bytes that starts with `head` and ends with `tail` is a whole
// picture of the format named by `extension` ("png", "jpg", "jpeg", "bmp", "webp"; letter case
// ignored): PNG ends with its IEND chunk, JPEG with its end-of-image marker, a BMP holds every
// pixel row its header asks for (run-length rows end with the end-of-picture code), WEBP carries
// its file size in the header. `head` needs the first 34 bytes, `tail` the last 12.
// Other extensions cannot be judged and count as whole.
bool IsWholePicture(const QString &extension, QByteArrayView head, QByteArrayView tail, qint64 size);

// The state of the output file at `path`, judged by its extension; reads only its first and
// last bytes.
OutputState CheckOutputFile(const QString &path);

// Whether `path`'s format can be judged by IsWholePicture.
bool IsPictureFile(const QString &path);

// The first line of the output that reports a PHP error, warning or notice ("PHP Fatal error:
// Uncaught Exception: ...", "Warning: ..."), or a message of the scripts' own that ends the
// image without output ("Failed to load image or unsupported input format."), or the video
// program's failure ("mirelon-video: the video is damaged" gives its reason); none when the
// output holds none of these.
std::optional<QString> FailureLine(const QString &output);

// The reason a user reads for a failure line: PHP's message prefix, the function that raised it
// and the place in our scripts or library (" in /...php on line 11") left out; the library's
// "cannot find the faces in '<picture>': <cause>" becomes "Cannot find the faces: <cause>".
QString UserReason(const QString &line);

// What is known about one image once its script has ended.
struct ImageRunFacts {
    ImageJobResult result;
    QString output;                // the kept output, decoded
    int timeLimitSeconds = 0;
    QStringList missingOutputs;    // expected files that are not there
    QStringList incompleteOutputs; // files written but not whole
};

// The reason an image failed, as one line for the user (UserReason; the full text is in the
// image's output), or none when it succeeded. An image fails when it was
// stopped or ran out of time, when the interpreter could not start, crashed or ended with an exit
// code other than 0, when its output reports an error (FailureLine), or when an expected output
// file is missing or not whole.
std::optional<QString> FailureReason(const ImageRunFacts &facts);

// Removes the files among `outputs` that a failed or stopped image leaves unfinished: pictures
// that are not whole, and text files (which cannot be proved whole). Returns those removed.
QStringList RemoveUnfinishedOutputs(const QStringList &outputs);
