#include "app/convert/ConvertReport.h"

#include <csignal>

ConvertReport::ConvertReport(std::FILE *errors, std::FILE *outputs, const ReportStyle &style, int total)
    : errors_(errors), outputs_(outputs), style_(style), total_(total)
{
}

QString ProgressText(int done, int total, int failed, const QString &timeLeft)
{
    QString text = QStringLiteral("%1 of %2 done").arg(done).arg(total);
    if (failed > 0)
        text += QStringLiteral(", %1 failed").arg(failed);
    if (!timeLeft.isEmpty())
        text += QStringLiteral(", ") + timeLeft;
    return text;
}

QString PictureDoneText(int done, int total, const QString &picture, const QStringList &outputs)
{
    return QStringLiteral("[%1/%2] %3 -> %4")
        .arg(done)
        .arg(total)
        .arg(picture, outputs.isEmpty() ? QStringLiteral("no faces") : outputs.join(QStringLiteral(", ")));
}

QString PictureFailedText(const QString &picture, const QString &reason)
{
    const QString firstLine = reason.trimmed().section(QLatin1Char('\n'), 0, 0).trimmed();
    return QStringLiteral("mirelon-convert: ") + picture + QStringLiteral(": ")
           + (firstLine.isEmpty() ? QStringLiteral("failed") : firstLine);
}

QString CountOfPictures(int count, int total, const QString &what)
{
    return QStringLiteral("%1 of %2 %3 %4")
        .arg(count)
        .arg(total)
        .arg(total == 1 ? QStringLiteral("picture") : QStringLiteral("pictures"), what);
}

void ConvertReport::line(const QString &text)
{
    const QByteArray bytes = (style_.terminal ? QStringLiteral("\r\033[K") : QString()).toUtf8() + text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), errors_);
    std::fflush(errors_); // the progress line comes back with the next progress()
}

void ConvertReport::progress(int done, int failed, const QString &timeLeft)
{
    if (style_.terminal && !style_.quiet) {
        const QByteArray bytes = "\r\033[K" + ProgressText(done, total_, failed, timeLeft).toUtf8();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), errors_);
        std::fflush(errors_);
    }
}

QString FrameProgressText(const QString &video, qint64 frame, qint64 total)
{
    return QStringLiteral("%1: frame %2 of %3").arg(video.section(QLatin1Char('/'), -1)).arg(frame).arg(total);
}

void ConvertReport::frameProgress(const QString &video, qint64 frame, qint64 total)
{
    if (style_.quiet)
        return;
    if (style_.terminal) {
        const QByteArray bytes = "\r\033[K" + FrameProgressText(video, frame, total).toUtf8();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), errors_);
        std::fflush(errors_);
        return;
    }
    const qint64 tenth = total > 0 ? frame * 10 / total : 0;
    if (video == lastVideo_ && tenth == lastTenth_)
        return;
    lastVideo_ = video;
    lastTenth_ = tenth;
    line(FrameProgressText(video, frame, total));
}

void ConvertReport::pictureDone(int done, const QString &picture, const QStringList &outputs)
{
    for (const QString &output : outputs) {
        const QByteArray bytes = output.toUtf8() + style_.separator;
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), outputs_);
    }
    std::fflush(outputs_);
    if (!style_.terminal && !style_.quiet)
        line(PictureDoneText(done, total_, picture, outputs));
}

void ConvertReport::pictureFailed(const QString &picture, const QString &reason)
{
    line(PictureFailedText(picture, reason));
}

void ConvertReport::pictureOutput(const QString &output)
{
    for (const QString &text : output.trimmed().split(QLatin1Char('\n')))
        line(QStringLiteral("    ") + text.trimmed());
}

void ConvertReport::finish(int done, int failed, int interruptedBySignal)
{
    if (style_.terminal && !style_.quiet)
        std::fputs("\r\033[K", errors_);
    if (interruptedBySignal != 0)
        line(QStringLiteral("mirelon-convert: stopped by %1: %2")
                 .arg(interruptedBySignal == SIGINT ? QStringLiteral("Ctrl+C") : QStringLiteral("SIGTERM"),
                      CountOfPictures(done, total_, QStringLiteral("done"))));
    else if (failed > 0)
        line(QStringLiteral("mirelon-convert: ") + CountOfPictures(failed, total_, QStringLiteral("failed")));
    std::fflush(errors_);
}
