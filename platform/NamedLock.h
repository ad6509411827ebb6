#pragma once
#include "platform/FileDescriptor.h"

#include <QString>

// Stand-in for a named mutex: an advisory lock on a file in the runtime folder, held for the
// lifetime of the object. Nobody examines it; a second instance runs normally.
class NamedLock {
public:
    explicit NamedLock(const QString &name);

    bool held() const { return locked; }

private:
    FileDescriptor file; // closing it releases the lock
    bool locked = false;
};
