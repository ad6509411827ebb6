#pragma once
// Small ELF files for tests: a 64-bit little-endian file whose only sections are the section
// name table and, optionally, one named data section.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtEndian>

namespace ElfFixture {

inline void put(QByteArray &out, qsizetype at, quint64 value, int width)
{
    for (int i = 0; i < width; ++i)
        out[at + i] = char((value >> (8 * i)) & 0xFF);
}

inline QByteArray sectionHeader(quint32 name, quint32 type, quint64 offset, quint64 size)
{
    QByteArray h(64, '\0');
    put(h, 0, name, 4);
    put(h, 4, type, 4);
    put(h, 24, offset, 8);
    put(h, 32, size, 8);
    put(h, 48, 1, 8); // sh_addralign
    return h;
}

// An ELF file holding `contents` in a section called `sectionName`; with an empty name the
// file has no data section at all.
inline QByteArray withSection(const QByteArray &sectionName, const QByteArray &contents)
{
    constexpr quint32 PROGBITS = 1, STRTAB = 3;
    QByteArray names("\0.shstrtab\0", 11);
    const quint32 dataName = quint32(names.size());
    if (!sectionName.isEmpty())
        names += sectionName + '\0';

    QByteArray file(64, '\0');
    file.replace(0, 8, QByteArray("\x7f" "ELF\x02\x01\x01\x00", 8));
    put(file, 16, 2, 2);    // e_type: executable
    put(file, 18, 0x3E, 2); // e_machine: x86-64
    put(file, 20, 1, 4);    // e_version
    put(file, 52, 64, 2);   // e_ehsize
    put(file, 58, 64, 2);   // e_shentsize

    const qsizetype dataOffset = file.size();
    file += contents;
    const qsizetype namesOffset = file.size();
    file += names;
    while (file.size() % 8)
        file += '\0';
    const qsizetype headers = file.size();
    file += QByteArray(64, '\0'); // the null section
    file += sectionHeader(1, STRTAB, quint64(namesOffset), quint64(names.size()));
    int count = 2;
    if (!sectionName.isEmpty()) {
        file += sectionHeader(dataName, PROGBITS, quint64(dataOffset), quint64(contents.size()));
        ++count;
    }
    put(file, 40, quint64(headers), 8); // e_shoff
    put(file, 60, quint64(count), 2);   // e_shnum
    put(file, 62, 1, 2);                // e_shstrndx
    return file;
}

inline bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace ElfFixture
