#pragma once
#include "processing/BatchRun.h"

#include <QString>

#include <optional>

// The status texts of a run.

// "Processing /videos/clip.mp4... frame 120 of 3000": a video's progress.
QString VideoProcessingText(const QString &path, qint64 frame, qint64 total);

// "Processing /photos/a.jpg... (12 of 240, about 1 min left)": the image in hand, its place in
// the list (from 1) and, once there is one, the estimate of the time left.
QString ProcessingText(const QString &path, qsizetype position, qsizetype total,
                       std::optional<qint64> millisecondsLeft);

// "Completed", "Completed with 1 error", "Completed with 3 errors", or after Stop
// "Stopped: 5 of 12 images done" (with ", 1 error" when images had failed by then).
QString RunEndText(const BatchSummary &summary);

// The heading of the failed images' box: "1 image failed:", "3 images failed:".
QString FailedImagesHeading(qsizetype count);

// The failed images for the "ERROR" box: each path on a line of its own, followed by the first
// line of its reason, indented.
QString FailedImagesText(const QList<FailedImage> &failures);
