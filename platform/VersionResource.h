#pragma once
#include <QString>

// The file's version block lives in this ELF section of the executable.
inline constexpr char VersionSectionName[] = MIRELON_VERSION_SECTION; // set by the build

// Size in bytes of the version block of the file at `path`, or 0 on failure (last OS error:
// the errno of opening or reading the file, ENOEXEC for a file that is not ELF, ENODATA
// when it has no version section, EBADMSG when the section holds no sound version block).
quint32 GetFileVersionInfoSizeW(const QString &path);

// Copies the version block of the file at `path` into `buffer`, which holds `size` bytes.
// False on failure, with the errors above and ERANGE when `size` is too small.
bool GetFileVersionInfoW(const QString &path, quint32 size, void *buffer);

// Looks up `subBlock` in a block loaded by GetFileVersionInfoW. The path's parts are separated
// by backslashes; empty parts (leading, trailing or doubled backslashes) are ignored, and names
// match without regard to case. "\" gives the fixed file information (length in bytes),
// "\VarFileInfo\Translation" the translation list (length in bytes), and
// "\StringFileInfo\<key>\<name>" a zero-terminated UTF-16LE text (length in characters).
// False when the path is not found (ENODATA) or the block is malformed (EBADMSG).
bool VerQueryValueW(const void *block, const QString &subBlock, const void **buffer, quint32 *length);

// The most significant half of the fixed file version (major << 16 | minor) of the file at
// `path`, or 0xFFFFFFFF when it has no readable fixed version information.
quint32 GetFileVersion(const QString &path);
