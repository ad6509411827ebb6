#pragma once
#include <QString>

#include <functional>

// The message boxes of a run. The main window shows its real dialogs for every member left
// empty; tests fill them so that no run waits for a click.
struct RunPrompts {
    std::function<int(const QString &question)> confirm; // modal result; 6 is Yes
    std::function<void(const QString &text)> showError;
    std::function<void(const QString &heading, const QString &list)> showFailures; // the failed images' box
    std::function<void(const QString &text)> reportError; // an error that ended the run early
};

RunPrompts &ReplacedRunPrompts();
