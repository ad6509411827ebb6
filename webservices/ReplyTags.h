#pragma once
#include <QString>

// The text enclosed by the tag when the line is exactly one element "<tag>text</tag>": the tag
// name is lowered, the comparison is case-sensitive and nothing may stand before the opening or
// after the closing tag, not even a blank. Otherwise, or for an empty line or name, empty.
QString ExtractTag(const QString &line, const QString &tagName);
