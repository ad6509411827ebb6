#include "platform/SystemError.h"

#include <system_error>

namespace {
thread_local int lastError = 0;
}

SystemError::SystemError(int code) : MirelonError(MessageFor(code)), errorCode(code) {}

QString SystemError::MessageFor(int code)
{
    if (code == 0)
        return QStringLiteral("A call to an OS function failed");
    // The second text slot holds extra detail; no caller here has any, so it stays empty.
    const QString systemText = QString::fromStdString(std::system_category().message(code));
    return QStringLiteral("System Error.  Code: %1.\r\n%2%3").arg(code).arg(systemText, QString());
}

int GetLastError()
{
    return lastError;
}

void SetLastError(int code)
{
    lastError = code;
}

void RaiseLastOSError()
{
    throw SystemError(GetLastError());
}
