#include "scripts/ShellQuote.h"

QString ShellQuoted(const QString &value)
{
    QString quoted = value;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString InterpreterCommand(const QString &interpreterFile, const QString &scriptPath)
{
    return ShellQuoted(interpreterFile) + QLatin1Char(' ') + ShellQuoted(scriptPath);
}
