#include "platform/ElfSection.h"

#include "platform/FileDescriptor.h"
#include "platform/SystemError.h"

#include <QFile>
#include <QtEndian>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct ReadFailure {
    int code;
};

// Reads exactly `length` bytes at `offset`; a short file is a malformed ELF file.
QByteArray readAt(int fd, quint64 fileSize, quint64 offset, quint64 length)
{
    if (offset > fileSize || length > fileSize - offset)
        throw ReadFailure{ENOEXEC};
    QByteArray bytes(qsizetype(length), Qt::Uninitialized);
    quint64 done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd, bytes.data() + done, length - done, off_t(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw ReadFailure{errno};
        if (got == 0)
            throw ReadFailure{ENOEXEC};
        done += quint64(got);
    }
    return bytes;
}

// Field reader for one file's class and byte order.
struct ElfLayout {
    bool is64 = false;
    bool bigEndian = false;

    quint64 field(const QByteArray &bytes, qsizetype at, int width) const
    {
        const auto *p = reinterpret_cast<const uchar *>(bytes.constData()) + at;
        switch (width) {
        case 2: return bigEndian ? qFromBigEndian<quint16>(p) : qFromLittleEndian<quint16>(p);
        case 4: return bigEndian ? qFromBigEndian<quint32>(p) : qFromLittleEndian<quint32>(p);
        default: return bigEndian ? qFromBigEndian<quint64>(p) : qFromLittleEndian<quint64>(p);
        }
    }
    int word() const { return is64 ? 8 : 4; }
};

struct SectionHeader {
    quint32 name = 0;
    quint32 type = 0;
    quint64 offset = 0;
    quint64 size = 0;
    quint32 link = 0;
};

constexpr quint32 SHT_NOBITS_TYPE = 8;
constexpr quint16 SHN_XINDEX_VALUE = 0xffff;

// The section header that starts `at` bytes into `h`.
SectionHeader parseSectionHeader(const ElfLayout &elf, const QByteArray &h, qsizetype at = 0)
{
    SectionHeader s;
    s.name = quint32(elf.field(h, at, 4));
    s.type = quint32(elf.field(h, at + 4, 4));
    const int w = elf.word();
    // name, type, flags, addr, offset, size, link
    s.offset = elf.field(h, at + 8 + 2 * w, w);
    s.size = elf.field(h, at + 8 + 3 * w, w);
    s.link = quint32(elf.field(h, at + 8 + 4 * w, 4));
    return s;
}

QByteArray findSection(int fd, quint64 fileSize, const QByteArray &name, qint64 maxSize)
{
    const QByteArray ident = readAt(fd, fileSize, 0, 16);
    if (!ident.startsWith("\x7f" "ELF"))
        throw ReadFailure{ENOEXEC};
    ElfLayout elf;
    if (ident[4] != 1 && ident[4] != 2)
        throw ReadFailure{ENOEXEC};
    if (ident[5] != 1 && ident[5] != 2)
        throw ReadFailure{ENOEXEC};
    elf.is64 = ident[4] == 2;
    elf.bigEndian = ident[5] == 2;

    const QByteArray header = readAt(fd, fileSize, 0, elf.is64 ? 64 : 52);
    const quint64 shoff = elf.field(header, elf.is64 ? 0x28 : 0x20, elf.word());
    const quint64 shentsize = elf.field(header, elf.is64 ? 0x3A : 0x2E, 2);
    quint64 shnum = elf.field(header, elf.is64 ? 0x3C : 0x30, 2);
    quint64 shstrndx = elf.field(header, elf.is64 ? 0x3E : 0x32, 2);
    const quint64 minEntry = elf.is64 ? 64 : 40;
    if (shoff == 0)
        throw ReadFailure{ENODATA}; // no section headers at all
    if (shentsize < minEntry)
        throw ReadFailure{ENOEXEC};

    // Large files keep the real count and string-table index in the first header.
    if (shnum == 0 || shstrndx == SHN_XINDEX_VALUE) {
        const SectionHeader first = parseSectionHeader(elf, readAt(fd, fileSize, shoff, minEntry));
        if (shnum == 0)
            shnum = first.size;
        if (shstrndx == SHN_XINDEX_VALUE)
            shstrndx = first.link;
    }
    if (shstrndx >= shnum || shnum > (fileSize - std::min(fileSize, shoff)) / shentsize)
        throw ReadFailure{ENOEXEC};

    // The whole header table in one read (its size is bounded by the file's, checked above).
    const QByteArray table = readAt(fd, fileSize, shoff, shnum * shentsize);
    auto sectionAt = [&](quint64 index) { return parseSectionHeader(elf, table, qsizetype(index * shentsize)); };
    const SectionHeader names = sectionAt(shstrndx);
    const QByteArray nameTable = readAt(fd, fileSize, names.offset, names.size);
    for (quint64 i = 1; i < shnum; ++i) {
        const SectionHeader section = sectionAt(i);
        if (section.name >= quint64(nameTable.size()))
            throw ReadFailure{ENOEXEC};
        const char *sectionName = nameTable.constData() + section.name;
        const qsizetype room = nameTable.size() - qsizetype(section.name);
        if (qstrnlen(sectionName, uint(room)) != uint(name.size()) || name != QByteArrayView(sectionName, name.size()))
            continue;
        if (section.type == SHT_NOBITS_TYPE)
            throw ReadFailure{ENODATA};
        if (section.size > quint64(maxSize))
            throw ReadFailure{EFBIG};
        return readAt(fd, fileSize, section.offset, section.size);
    }
    throw ReadFailure{ENODATA};
}

} // namespace

std::optional<QByteArray> ReadElfSection(const QString &path, const QByteArray &name, qint64 maxSize)
{
    const QByteArray encoded = QFile::encodeName(path);
    const FileDescriptor file(::open(encoded.constData(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        SetLastError(errno);
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        SetLastError(errno);
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        SetLastError(S_ISDIR(info.st_mode) ? EISDIR : ENOEXEC);
        return std::nullopt;
    }
    try {
        return findSection(file.get(), quint64(info.st_size), name, maxSize);
    } catch (const ReadFailure &failure) {
        SetLastError(failure.code);
        return std::nullopt;
    }
}
