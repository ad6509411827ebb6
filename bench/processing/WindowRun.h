#pragma once
#include "processing/ActionRun.h"

#include <QElapsedTimer>
#include <QStringList>

// The window's run of `action` over `pictures` into `destination`, through its own run loop
// with nothing shown; returns the wall time in nanoseconds.
inline qint64 TimeWindowRun(Action action, const ActionRunValues &values, const QStringList &pictures,
                            const QString &destination)
{
    ActionRunWindow window;
    window.entryCount = [&pictures] { return pictures.size(); };
    window.entryPath = [&pictures](qsizetype i) { return pictures.at(i); };
    window.destination = [&destination] { return destination; };
    window.setStatus = [](const QString &) {};
    window.processEvents = [] {};
    window.clearOutput = [] {};
    window.appendOutput = [](const QString &) {};
    QElapsedTimer timer;
    timer.start();
    RunAction(action, values, window);
    return timer.nsecsElapsed();
}
