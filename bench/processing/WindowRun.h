#pragma once
#include "tests/support/WindowRun.h"

#include <QElapsedTimer>
#include <QStringList>

// The window's run of `action` over `pictures` into `destination`, as "Convert" starts it, with
// nothing shown; returns the wall time in nanoseconds.
inline qint64 TimeWindowRun(Action action, const ActionRunValues &values, const QStringList &pictures,
                            const QString &destination)
{
    QElapsedTimer timer;
    timer.start();
    RunAsWindow(action, values, pictures, [&destination] { return destination; });
    return timer.nsecsElapsed();
}
