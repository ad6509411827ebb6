#pragma once
#include <QString>

// The text to place between the apostrophes of a PHP single-quoted literal so that PHP reads
// exactly `value`: every backslash and every apostrophe gets a backslash in front. No value
// can end the literal early or have a leading double backslash folded into one.
QString PhpQuoted(const QString &value);
