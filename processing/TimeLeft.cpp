#include "processing/TimeLeft.h"

#include <cmath>

namespace {
constexpr qsizetype FewImages = 3;
constexpr qint64 WhileMilliseconds = 10'000;
} // namespace

std::optional<qint64> EstimateMillisecondsLeft(qint64 elapsedMilliseconds, qsizetype done, qsizetype total)
{
    if (done <= 0 || done >= total || elapsedMilliseconds < 0)
        return std::nullopt;
    if (done < FewImages && elapsedMilliseconds < WhileMilliseconds)
        return std::nullopt;
    return qint64(std::llround(double(elapsedMilliseconds) / double(done) * double(total - done)));
}

QString TimeLeftText(qint64 milliseconds)
{
    const qint64 minutes = (milliseconds + 30'000) / 60'000; // to the nearest minute
    if (minutes < 1)
        return QStringLiteral("less than 1 min left");
    if (minutes < 60)
        return QStringLiteral("about %1 min left").arg(minutes);
    const qint64 hours = minutes / 60;
    const qint64 rest = minutes % 60;
    return rest == 0 ? QStringLiteral("about %1 h left").arg(hours)
                     : QStringLiteral("about %1 h %2 min left").arg(hours).arg(rest);
}
