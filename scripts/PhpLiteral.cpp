#include "scripts/PhpLiteral.h"

QString PhpQuoted(const QString &value)
{
    QString quoted;
    quoted.reserve(value.size() + 8);
    for (const QChar c : value) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('\''))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return quoted;
}
