#pragma once
#include <QLocale>
#include <QString>

// Locale name sent in the "local=" field: language and region joined by "-" ("de-DE"); "xx" for
// the C/POSIX locale or when no name can be found. Never throws.
QString RequestLocaleName();                              // of the system locale at start
QString LocaleNameForRequest(const QLocale &locale);

// One-line description of the running system for the "os=" field:
// "<product> (Version <version>, Build <kernel>, 64-bit Edition)".
QString OsDescription();
