#pragma once
#include "platform/FileDescriptor.h"

#include <QString>

// Opens a regular file (after following a link) for reading. Anything else, a FIFO, a socket,
// a device or a folder, is refused without being opened, and the open itself never waits, so a
// FIFO put in place meanwhile cannot block the caller either. Raises MirelonError with the
// reason.
FileDescriptor OpenRegularFileForReading(const QString &path);

// The reason given for a file whose name holds bytes that are not UTF-8 text: such a name turns
// into U+FFFD characters here and can be neither read nor handed on to the scripts.
QString UnreadableNameMessage();
