#pragma once
#include <QString>

// What went wrong in this run's update check. Written only by the check thread and read once the
// check is done; FailureLog is kept for diagnosis and shown nowhere.
inline bool FailureFlag = false;
inline QString FailureLog;

// Records a message (ignored when blank); entries are separated by two carriage returns.
void ReportFailure(const QString &message);
void ClearFailures();
