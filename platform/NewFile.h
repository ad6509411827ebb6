#pragma once
#include "platform/FileDescriptor.h"

#include <QString>

// Whether any directory entry has this name: a file, a folder, a FIFO, or a link (dangling or
// not; the link itself is looked at, never followed).
bool EntryExists(const QString &path);

// Creates `path` as a new, empty file and opens it for writing. Fails on any existing entry of
// that name, a dangling link included (O_CREAT | O_EXCL), so nothing is ever written through
// a link or into a file that was already there. On failure the descriptor is invalid and errno
// tells why (EEXIST: the name is taken).
FileDescriptor OpenNewFile(const QString &path);
