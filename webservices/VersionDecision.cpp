#include "webservices/VersionDecision.h"

#include <limits>

namespace {
bool isWholeNumber(const QString &text)
{
    qsizetype i = 0;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        ++i;
    if (i == text.size())
        return false;
    for (; i < text.size(); ++i)
        if (text.at(i) < QLatin1Char('0') || text.at(i) > QLatin1Char('9'))
            return false;
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    return ok && value >= std::numeric_limits<qint32>::min() && value <= std::numeric_limits<qint32>::max();
}
} // namespace

bool IsAnnouncedVersion(const QString &latestVersion, const QString &runningVersion)
{
    if (latestVersion == runningVersion)
        return false;
    QString digits = latestVersion;
    digits.remove(QLatin1Char('.'));
    return isWholeNumber(digits);
}

bool ShouldShowNewVersion(const QString &latestVersion, const QString &runningVersion, int notificationsOn,
                          const QString &lastDay, const QString &today, int dayCount)
{
    return IsAnnouncedVersion(latestVersion, runningVersion) && notificationsOn == 1
           && (lastDay != today || dayCount <= 3);
}
