#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdio>

// A list of PATHs given with --files-from FILE or "-" (standard input): one a line, or with -0
// each ended by a NUL byte, as `find -print0` writes them. Empty entries are skipped; nothing
// else is trimmed, so names with blanks, leading dashes or (with -0) newlines come through.
struct PictureList {
    QStringList paths;
    QStringList problems; // an entry that is not UTF-8 text, which would reach the scripts altered
};

// Splits the bytes of a list; `source` names the list in problems ("standard input", a file).
PictureList SplitPictureList(const QByteArray &bytes, bool nulSeparated, const QString &source);

// Reads the list `file` ("-": `standardInput`) to its end. Raises MirelonError when it cannot be
// read.
PictureList ReadPictureList(const QString &file, bool nulSeparated, std::FILE *standardInput);
