#pragma once
#include <QString>

#include <functional>

class QPlainTextEdit;

// Receives the command's output, piece by piece, in the order it was written.
using OutputSink = std::function<void(const QString &piece)>;

// Runs `command` with /bin/sh -c in `workingDirectory`, standard output and standard error in
// one pipe, and hands what arrives to `sink` in pieces of at most 255 bytes (decoded as UTF-8;
// a character split between two pieces is joined again). Returns the shell's exit status once it
// has ended, or -1 when it did not end normally; the thread's event loop runs meanwhile (see
// ImageJob). A command that cannot be started (no such working directory, no shell) returns -1
// quietly.
int RunConsoleCommand(const QString &command, const QString &workingDirectory, const OutputSink &sink);

// A sink that appends each piece to the end of `box`'s text.
OutputSink AppendToTextBox(QPlainTextEdit *box);
