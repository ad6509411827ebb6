#pragma once
// The main window's run of an action as "Convert" starts it (MainWindow::startRun with Jobs=1): the action's
// images in list order, one at a time, through BatchRun, without the window. Returns once the
// run has ended; the event loop runs meanwhile. Raises MirelonError with the error that ended the
// run early (the window reports it in a box).
#include "platform/Errors.h"
#include "processing/ActionRun.h"
#include "processing/BatchRun.h"

#include <QEventLoop>
#include <QStringList>

#include <functional>

struct WindowRunCalls {
    // At each image's turn, before its output name is chosen (the window shows its status then).
    std::function<void(const QString &path)> imageStarted;
    // Each image's kept output as the window's output box shows it.
    std::function<void(const QString &output)> imageOutput;
};

inline BatchSummary RunAsWindow(Action action, const ActionRunValues &values, const QStringList &paths,
                                std::function<QString()> destination, const WindowRunCalls &calls = {})
{
    BatchOptions options;
    options.maxJobs = 1;
    BatchRun run(paths, ActionImages(action, values, std::move(destination)), options);
    if (calls.imageStarted)
        QObject::connect(&run, &BatchRun::imageStarted, [&calls](qsizetype, const QString &path) { calls.imageStarted(path); });
    if (calls.imageOutput)
        QObject::connect(&run, &BatchRun::imageFinished,
                         [&calls](const ImageOutcome &outcome) { calls.imageOutput(outcome.output); });
    QEventLoop loop;
    QObject::connect(&run, &BatchRun::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    run.start();
    if (run.isRunning())
        loop.exec();
    if (!run.summary().error.isEmpty())
        throw MirelonError(run.summary().error);
    return run.summary();
}
