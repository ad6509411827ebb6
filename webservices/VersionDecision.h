#pragma once
#include <QString>

// Whether the version named by the service is to be announced: it differs from the running one
// (exact text), and without its dots it is a whole number (optional sign, decimal digits, within
// the signed 32-bit range). An older version that differs is announced too.
bool IsAnnouncedVersion(const QString &latestVersion, const QString &runningVersion);

// The window opens only with notifications exactly 1 and within the first three requests of the
// day (or on a new day).
bool ShouldShowNewVersion(const QString &latestVersion, const QString &runningVersion, int notificationsOn,
                          const QString &lastDay, const QString &today, int dayCount);
