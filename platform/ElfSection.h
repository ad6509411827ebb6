#pragma once
#include <QByteArray>
#include <QString>
#include <optional>

// Reads the contents of the section called `name` from the ELF file at `path` (32- or 64-bit,
// either byte order), by its section headers; the file is never loaded or executed.
// Sections larger than maxSize are refused. On failure returns nothing and sets the last
// OS error: the errno of opening or reading, ENOEXEC for a file that is not a sound ELF file,
// ENODATA when it has no such section, EFBIG when the section exceeds maxSize.
std::optional<QByteArray> ReadElfSection(const QString &path, const QByteArray &name, qint64 maxSize);
