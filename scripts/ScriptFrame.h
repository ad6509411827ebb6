#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

// The pieces that several action scripts share, and the script file's encoding. Values are
// inserted into single-quoted PHP literals through PhpQuoted().

// Lines 1 to 5 of every script: load the library and ask it for the faces of the input image.
QStringList ScriptPrologue(const QString &libraryPath, const QString &inputPath);

// Mark, Blur, Save: read and decode the input image, or end the script with a message; make a
// palette image true colour; then turn it upright (UprightTurnBlock).
QStringList ImageLoadingBlock(const QString &outputFormat, const QString &inputPath);

// Turns $image upright by the orientation the library's scan applied ($detector->getOrientation(),
// 1 to 8), so that the face positions, which are in the upright image, land on the faces.
QStringList UprightTurnBlock();

// Mark, Blur: write $image to outputBase + the format's extension and release it.
QStringList FormatSaveBlock(const QString &outputBase);

// The last line of every script.
inline QString ScriptClosingLine() { return QStringLiteral("?>"); }

// The lines of a fixed block of template text.
QStringList TemplateLines(const char *text);

// The script file's bytes: UTF-8 without byte order mark, CR LF after every line.
QByteArray EncodeScript(const QStringList &lines);
