#pragma once
#include "processing/ActionRun.h" // Action, DefaultVideoCoverSeconds
#include "processing/BatchRun.h"  // PreparedImage

#include <QString>
#include <QByteArray>

#include <optional>

// A video in a run goes through the video program beside the executable (mirelon-video) instead
// of a PHP script: every frame searched, the output written beside its name and moved in whole.

// Whether the file is a video (MP4/MOV, MKV/WebM, AVI), judged by the start of its content; a
// damaged one too, so that it fails as a video with the video's reason.
bool IsVideoFile(const QString &path);

// executableFolder + "/mirelon-video".
QString VideoProgramFile(const QString &executableFolder);

// The extension the action's output of `video` gets: ".txt" for Export, else the video's own
// (with its dot; empty when it has none).
QString VideoOutputExtension(Action action, const QString &video);

// What to run for `video` writing `output`: the video program's command, `output` expected
// whole afterwards (Save Faces: the program refuses, nothing is expected), its passing name
// removed whatever happens, and the time limit counting time without progress.
PreparedImage PreparedVideo(const QString &program, Action action, const QString &video, const QString &output,
                            const QString &workingDirectory, double coverSeconds = DefaultVideoCoverSeconds);

// The temporal cover in seconds from its text: a number from 0 to MaximumVideoCoverSeconds,
// else none.
std::optional<double> ParseVideoCoverSeconds(const QString &text);
// The temporal cover in seconds from the setting's text (VideoCoverSeconds): the default unless
// the text is a valid number of seconds.
double VideoCoverSecondsFrom(const QString &text);

// The last whole "frame 120 of 3000" line in a piece of the program's output.
struct FrameCount {
    qint64 frame = 0;
    qint64 total = 0;
};
std::optional<FrameCount> LastFrameProgress(const QByteArray &output);
