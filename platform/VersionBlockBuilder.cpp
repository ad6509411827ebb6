#include "platform/VersionBlockBuilder.h"

#include "platform/Errors.h"

#include <QtEndian>
#include <functional>

namespace {

constexpr quint16 BinaryValue = 0;
constexpr quint16 TextValue = 1;

void append16(QByteArray &out, quint16 value)
{
    uchar bytes[2];
    qToLittleEndian(value, bytes);
    out.append(reinterpret_cast<const char *>(bytes), 2);
}

void append32(QByteArray &out, quint32 value)
{
    uchar bytes[4];
    qToLittleEndian(value, bytes);
    out.append(reinterpret_cast<const char *>(bytes), 4);
}

void appendText(QByteArray &out, const QString &text)
{
    for (QChar c : text)
        append16(out, c.unicode());
    append16(out, 0);
}

// Offsets are relative to the block's start, which is itself 4-byte aligned.
void alignTo4(QByteArray &out)
{
    while (out.size() % 4 != 0)
        out.append('\0');
}

void put16(QByteArray &out, qsizetype at, qsizetype value)
{
    if (value > 0xFFFF)
        throw MirelonError(QStringLiteral("The version block is too large."));
    qToLittleEndian(quint16(value), out.data() + at);
}

// Appends one node; `children` appends the child nodes, each starting 4-byte aligned.
void appendNode(QByteArray &out, const QString &key, quint16 type, qsizetype valueLength, const QByteArray &value,
                const std::function<void(QByteArray &)> &children = {})
{
    alignTo4(out);
    const qsizetype start = out.size();
    append16(out, 0); // wLength, filled in below
    append16(out, 0);
    append16(out, type);
    appendText(out, key);
    alignTo4(out);
    out.append(value);
    if (children)
        children(out);
    put16(out, start, out.size() - start);
    put16(out, start + 2, valueLength);
}

QByteArray fixedFileInfo(const VersionBlockContents &c)
{
    QByteArray info;
    append32(info, 0xFEEF04BD); // dwSignature
    append32(info, 0x00010000); // dwStrucVersion
    append32(info, quint32(c.fileVersion[0]) << 16 | c.fileVersion[1]);
    append32(info, quint32(c.fileVersion[2]) << 16 | c.fileVersion[3]);
    append32(info, quint32(c.productVersion[0]) << 16 | c.productVersion[1]);
    append32(info, quint32(c.productVersion[2]) << 16 | c.productVersion[3]);
    append32(info, 0x3F);       // dwFileFlagsMask
    append32(info, 0);          // dwFileFlags
    append32(info, 0x00040004); // dwFileOS: 32-bit Windows NT
    append32(info, 1);          // dwFileType: application
    append32(info, 0);          // dwFileSubtype
    append32(info, 0);          // dwFileDateMS
    append32(info, 0);          // dwFileDateLS
    return info;
}

} // namespace

QByteArray BuildVersionBlock(const VersionBlockContents &contents)
{
    const QByteArray fixed = contents.hasFixedInfo ? fixedFileInfo(contents) : QByteArray();
    QByteArray block;
    appendNode(block, QStringLiteral("VS_VERSION_INFO"), BinaryValue, fixed.size(), fixed, [&](QByteArray &out) {
        if (!contents.stringTables.isEmpty()) {
            appendNode(out, QStringLiteral("StringFileInfo"), TextValue, 0, {}, [&](QByteArray &out) {
                for (const auto &table : contents.stringTables) {
                    appendNode(out, table.key, TextValue, 0, {}, [&](QByteArray &out) {
                        for (const auto &[name, text] : table.values) {
                            QByteArray value;
                            appendText(value, text);
                            appendNode(out, name, TextValue, text.size() + 1, value);
                        }
                    });
                }
            });
        }
        if (contents.hasTranslationTable) {
            appendNode(out, QStringLiteral("VarFileInfo"), TextValue, 0, {}, [&](QByteArray &out) {
                QByteArray list;
                for (const auto &[language, codePage] : contents.translations) {
                    append16(list, language);
                    append16(list, codePage);
                }
                appendNode(out, QStringLiteral("Translation"), BinaryValue, list.size(), list);
            });
        }
    });
    return block;
}
