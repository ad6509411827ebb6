#include "webservices/FailureRecord.h"

void ReportFailure(const QString &message)
{
    if (message.trimmed().isEmpty())
        return;
    FailureFlag = true;
    if (FailureLog.isEmpty())
        FailureLog = message;
    else
        FailureLog += QStringLiteral("\r\r") + message;
}

void ClearFailures()
{
    FailureFlag = false;
    FailureLog.clear();
}
