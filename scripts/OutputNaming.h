#pragma once
#include "platform/AppPaths.h" // WithTrailingSlash, WithoutTrailingSlash

#include <QString>

// Naming of output files in the destination folder.

// Raises "Invalid characters in path" for a path with a NUL character, the one character no
// path may hold.
void CheckPathCharacters(const QString &path);

// A file name split once: folder part (up to and including the last "/"), base name, and the
// extension from the last "." of the file name on (dot included, empty without a dot).
// Raises as CheckPathCharacters does.
struct FileNameParts {
    QString folder;
    QString base;
    QString extension;
};
FileNameParts SplitFileName(const QString &filename);

// `filename` if nothing exists under it, else the first of "base (2).ext", "base (3).ext", ...
// under which nothing exists. Any directory entry takes a name: a file, a folder, a FIFO, or a
// link, dangling or not (a link is never followed: an output written through it would land
// outside the destination).
QString FindFilenameThatDoesNotExist(const QString &filename);

// Export Face Positions: the first free of output.txt, output (2).txt, ... in `destination`.
QString OutputTextPath(const QString &destination);

// Mark and Blur: the first free output.<format>, output (2).<format>, ... in `destination`,
// without its extension; the script appends "." and the extension.
QString OutputBase(const QString &destination, const QString &outputFormat);

// An output name chosen and created at once: `file` is created empty and exclusively (never
// through a link, never over an entry that appeared meanwhile), so the script writes into a file
// of our own. `created` is false when the folder is missing or not writable; the script's write
// then fails as it would have. `scriptName` is what the script is given: the whole name for the
// positions text, the name without its extension for the images.
struct ReservedOutput {
    QString file;
    QString scriptName;
    bool created = false;
};
ReservedOutput CreateOutputTextFile(const QString &destination);
ReservedOutput CreateOutputImageFile(const QString &destination, const QString &outputFormat);
