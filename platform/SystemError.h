#pragma once
#include "platform/Errors.h"

// The error raised when an operating-system call fails. Its text names the code and the
// system's description of it; code 0 means the failing call left no code behind.
class SystemError : public MirelonError {
public:
    explicit SystemError(int code);
    int code() const { return errorCode; }

    static QString MessageFor(int code);

private:
    int errorCode;
};

// The calling thread's last operating-system error code (errno values, 0 = none). The
// platform stand-ins set it when they fail, so callers can report why.
int GetLastError();
void SetLastError(int code);

// Throws SystemError for GetLastError().
[[noreturn]] void RaiseLastOSError();
