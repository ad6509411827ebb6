#pragma once
#include "processing/ActionRun.h"

#include <QList>
#include <QString>

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
    std::function<void(bool busy)> setBusyCursor;
    std::function<void()> processEvents;
    std::function<void(Action action)> runAction;
    std::function<void(const QString &text)> setStatus;
    std::function<void()> beep;
};

// Asks about very large images, checks for the interpreter, creates the destination, runs the
// action under a busy cursor, then shows "Completed" and beeps. An error raised by the action
// ends the command with the cursor restored and without "Completed".
void Convert(const ConvertRequest &request, const ConvertWindow &window);
