#pragma once
#include <QString>
#include <QStringList>

#include <cstdio>

// How the command reports: what goes to standard error, and how the written paths are listed.
struct ReportStyle {
    bool terminal = false; // standard error is a terminal: one progress line redrawn in place
    bool quiet = false;    // no progress and no per-picture lines, only failures
    char separator = '\n'; // after each path on the output list ('\0' with -0)
};

// What the command tells about its pictures. Every file written goes to `outputs` (standard
// output), one path a line, as soon as it has its name, so that another program can take it
// from there. Standard error carries the rest: on a terminal one progress line redrawn in place
// ("12 of 200 done, 1 failed, about 1 min left"); otherwise a line per picture as it ends. A
// failed picture is always named with its reason, on a line of its own.
class ConvertReport {
public:
    ConvertReport(std::FILE *errors, std::FILE *outputs, const ReportStyle &style, int total);

    void progress(int done, int failed, const QString &timeLeft);
    void pictureDone(int done, const QString &picture, const QStringList &outputs);
    // A video's frames: on a terminal the progress line shows them; otherwise a line at every
    // tenth of the video, so that a log is not flooded. Nothing with --quiet.
    void frameProgress(const QString &video, qint64 frame, qint64 total);
    void pictureFailed(const QString &picture, const QString &reason);
    // The full output of a failed picture's script (--verbose), indented under its failure line.
    void pictureOutput(const QString &output);
    // Clears the progress line and writes the last words: a summary when pictures failed or the
    // run was interrupted.
    void finish(int done, int failed, int interruptedBySignal);

private:
    void line(const QString &text);

    std::FILE *errors_;
    std::FILE *outputs_;
    ReportStyle style_;
    int total_;
    qint64 lastTenth_ = -1;
    QString lastVideo_;
};

// "12 of 200 done, 1 failed, about 1 min left" (the parts after "done" only when they say something).
QString ProgressText(int done, int total, int failed, const QString &timeLeft);
// "[12/200] /in/a.jpg -> /out/a.png" (several outputs separated by ", ", none as "no faces").
QString PictureDoneText(int done, int total, const QString &picture, const QStringList &outputs);
// "clip.mp4: frame 1200 of 3000" (the video's file name).
QString FrameProgressText(const QString &video, qint64 frame, qint64 total);
// "mirelon-convert: /in/b.jpg: reason", the reason cut to its first line.
QString PictureFailedText(const QString &picture, const QString &reason);
// "1 of 1 picture failed", "2 of 5 pictures done": the noun agrees with the total.
QString CountOfPictures(int count, int total, const QString &what);
