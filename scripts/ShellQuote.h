#pragma once
#include <QString>

// `value` as one word of the POSIX shell: in single quotes, each embedded ' written as '\''.
// The shell expands nothing inside, so no path can inject shell code.
QString ShellQuoted(const QString &value);

// The command that runs the interpreter on one script: both paths shell-quoted, one blank between.
QString InterpreterCommand(const QString &interpreterFile, const QString &scriptPath);
