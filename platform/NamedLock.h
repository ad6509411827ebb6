#pragma once
#include <QString>

// Stand-in for a named mutex: an advisory lock on a file in the runtime folder, held for the
// lifetime of the object. Nobody examines it; a second instance runs normally.
class NamedLock {
public:
    explicit NamedLock(const QString &name);
    ~NamedLock();
    NamedLock(const NamedLock &) = delete;
    NamedLock &operator=(const NamedLock &) = delete;

    bool held() const { return locked; }

private:
    int fd = -1;
    bool locked = false;
};
