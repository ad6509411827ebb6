#pragma once
#include "processing/ActionRun.h" // Action

#include <QString>
#include <QStringList>

// A picture's script writes into a private staging folder of its own; once the picture has
// succeeded its outputs are moved into the destination under names taken from the picture:
// photo.jpg gives photo.txt (export), photo.<format> (mark, blur) or photo-face1.<format>,
// photo-face2.<format>, ... (save), each with " (2)", " (3)", ... when the name is taken.

// The script for `picture` (absolute), writing into `stagingFolder`; `format` is lower case.
QStringList StagedScript(Action action, const QString &libraryPath, const QString &picture, const QString &format,
                         const QString &stagingFolder);

// The name an output of `picture` starts from: the file name without its extension (the whole
// name when that would leave nothing), cut to MaxStemBytes of UTF-8 at a character's end so that
// "-face<N>", " (<N>)" and the extension still fit a file name's 255 bytes.
constexpr qsizetype MaxStemBytes = 255 - 32;
QString PictureStem(const QString &picture);

// One file the script left in the staging folder and the name it is to get.
struct StagedOutput {
    QString path;      // in the staging folder
    QString stem;      // PictureStem, plus "-face<N>" for a face of its own
    QString extension; // with its dot
};

// What the script left in `stagingFolder`, in order (faces by their number).
QList<StagedOutput> StagedOutputs(Action action, const QString &picture, const QString &format,
                                  const QString &stagingFolder);

// The staged output that must exist after a successful run (export, mark, blur); empty for
// save, whose number of files is that of the faces found.
QString ExpectedStagedOutput(Action action, const QString &format, const QString &stagingFolder);

// Moves every staged output into `destination` (MoveToFreeName) and returns the names they got.
// Raises MirelonError when one cannot be moved; those already moved stay.
QStringList PublishOutputs(const QList<StagedOutput> &outputs, const QString &destination);

// The main window's run with several images at once: each image's script writes into
// `stagingRoot`/<index>/ as StagedScript does, and once its turn comes (InOrderPublisher) its
// output moves into the destination under the window's names: output.<ext>, output (2).<ext>,
// ... exactly as a one-at-a-time run names them. Export, Mark and Blur only: Save Faces numbers
// its files in the destination itself and runs one image at a time.
PrepareImage StagedWindowImages(Action action, const ActionRunValues &values, const QString &stagingRoot);
QString WindowStagingFolder(const QString &stagingRoot, qsizetype index);
// Moves the image's staged output into `destination`; returns its new path. Raises MirelonError
// when it cannot be moved.
QString PublishWindowOutput(Action action, const QString &formatText, const QString &stagingFolder,
                            const QString &destination);

// The number of images the window runs at once from the Jobs setting: a whole number above 0,
// or `cores` for 0, an empty or any other text.
int RunJobsFrom(const QString &text, int cores);
