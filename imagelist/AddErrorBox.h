#pragma once
#include <QString>
#include <functional>

class QWidget;

// The text shown when a file cannot be added: the path, a blank line made of two carriage
// returns, and the reason.
QString AddErrorText(const QString &path, const QString &message);

// Shows the modal "ERROR" box with the critical icon and an OK button: failed adds and runs.
void ShowErrorBox(QWidget *parent, const QString &text);

// Every failed add is reported through this; tests replace it to see the reports without a
// modal box.
inline std::function<void(QWidget *parent, const QString &text)> ReportAddError = ShowErrorBox;
