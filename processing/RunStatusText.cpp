#include "processing/RunStatusText.h"

#include "processing/TimeLeft.h"

namespace {
QString errorCount(qsizetype count)
{
    return count == 1 ? QStringLiteral("1 error") : QStringLiteral("%1 errors").arg(count);
}

QString firstLine(const QString &text)
{
    const qsizetype end = text.indexOf(QLatin1Char('\n'));
    return (end < 0 ? text : text.left(end)).trimmed();
}
} // namespace

QString VideoProcessingText(const QString &path, qint64 frame, qint64 total)
{
    return QStringLiteral("Processing %1... frame %2 of %3").arg(path).arg(frame).arg(total);
}

QString ProcessingText(const QString &path, qsizetype position, qsizetype total, std::optional<qint64> millisecondsLeft)
{
    QString count = QStringLiteral("%1 of %2").arg(position).arg(total);
    if (millisecondsLeft)
        count += QStringLiteral(", ") + TimeLeftText(*millisecondsLeft);
    return QStringLiteral("Processing ") + path + QStringLiteral("... (") + count + QLatin1Char(')');
}

QString RunEndText(const BatchSummary &summary)
{
    const qsizetype failed = summary.failures.size();
    if (summary.stopped) {
        QString text = QStringLiteral("Stopped: %1 of %2 images done").arg(summary.done).arg(summary.total);
        return failed == 0 ? text : text + QStringLiteral(", ") + errorCount(failed);
    }
    return failed == 0 ? QStringLiteral("Completed") : QStringLiteral("Completed with ") + errorCount(failed);
}

QString FailedImagesText(const QList<FailedImage> &failures)
{
    QStringList lines;
    for (const FailedImage &failure : failures)
        lines << failure.path << QStringLiteral("    ") + firstLine(failure.reason);
    return lines.join(QLatin1Char('\n'));
}

QString FailedImagesHeading(qsizetype count)
{
    return count == 1 ? QStringLiteral("1 image failed:") : QStringLiteral("%1 images failed:").arg(count);
}
