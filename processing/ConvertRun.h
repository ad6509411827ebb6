#pragma once
#include "processing/ActionRun.h"

#include <QList>
#include <QString>

#include <chrono>
#include <functional>

// The "Convert" command: the checks before a run, the run of the chosen action, its end.

// Width and height of a list entry as the list shows them (decimal text).
struct EntrySize {
    QString width;
    QString height;
};

// Entries wider or higher than 1920 pixels; text that is not a whole number counts as 0.
int VeryLargeCount(const QList<EntrySize> &sizes);

// The question asked before very large images are processed.
QString VeryLargeQuestion(int count);

// The text of the box shown when the interpreter file is missing.
QString InterpreterMissingText(const QString &interpreterFile);

// Creates `destination` with every missing folder above it. A folder that cannot be created is
// left to the scripts, which then write nothing; an empty destination raises MirelonError
// "Unable to create directory".
void CreateDestination(const QString &destination);

// The time limit per image from the setting's text (whole seconds); 600 s when the text is not
// a whole number above 0.
std::chrono::seconds ImageTimeLimitFrom(const QString &text);

struct ConvertRequest {
    QList<EntrySize> sizes; // of the list entries, in list order
    QString phpDir;
    QString destination;
    QString actionText; // selects the action by exact comparison
};

// The window's side of the command.
struct ConvertWindow {
    std::function<int(const QString &question)> confirm; // modal result; 6 is Yes
    std::function<void(const QString &text)> showError; // the modal "ERROR" box
    // Starts the action's run, which goes on while the event loop runs; the window ends it.
    std::function<void(Action action)> startRun;
    std::function<void(const QString &text)> setStatus;
    std::function<void()> beep;
};

// Asks about very large images, checks for the interpreter, creates the destination and starts
// the chosen action's run. A text that names no action ends at once with "Completed" and a beep.
void Convert(const ConvertRequest &request, const ConvertWindow &window);
