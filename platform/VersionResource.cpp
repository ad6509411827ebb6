#include "platform/VersionResource.h"

#include "platform/ElfSection.h"
#include "platform/SystemError.h"

#include <QStringList>
#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <optional>

namespace {

constexpr qsizetype NodeHeaderSize = 6; // wLength, wValueLength, wType
constexpr quint16 TextValue = 1;
constexpr qsizetype FixedFileInfoSize = 52;

qsizetype align4(qsizetype offset)
{
    return (offset + 3) & ~qsizetype(3);
}

quint16 read16(const uchar *base, qsizetype at)
{
    return qFromLittleEndian<quint16>(base + at);
}

// One node of a version block, as offsets into the block.
struct Node {
    qsizetype end = 0;       // start + wLength
    qsizetype keyStart = 0;
    qsizetype keyEnd = 0;    // offset of the key's terminating zero
    qsizetype value = 0;
    qsizetype valueBytes = 0;
    qsizetype children = 0;
    quint16 type = 0;
};

// Parses the node at `at`, which must lie within [at, limit).
std::optional<Node> parseNode(const uchar *base, qsizetype at, qsizetype limit)
{
    if (at + NodeHeaderSize > limit)
        return std::nullopt;
    const quint16 length = read16(base, at);
    if (length < NodeHeaderSize + 2 || at + length > limit)
        return std::nullopt;
    Node node;
    node.end = at + length;
    node.type = read16(base, at + 4);
    node.keyStart = at + NodeHeaderSize;
    qsizetype p = node.keyStart;
    while (p + 2 <= node.end && read16(base, p) != 0)
        p += 2;
    if (p + 2 > node.end)
        return std::nullopt; // the key is not terminated inside the node
    node.keyEnd = p;
    const quint16 valueLength = read16(base, at + 2);
    node.value = std::min(align4(p + 2), node.end);
    // Values that claim more than the node holds are cut at the node's end.
    node.valueBytes = std::min<qsizetype>(node.type == TextValue ? 2 * qsizetype(valueLength) : valueLength,
                                          node.end - node.value);
    node.children = align4(node.value + node.valueBytes);
    return node;
}

bool keyEquals(const uchar *base, const Node &node, const QString &name)
{
    const qsizetype chars = (node.keyEnd - node.keyStart) / 2;
    if (chars != name.size())
        return false;
    QString key(chars, Qt::Uninitialized);
    for (qsizetype i = 0; i < chars; ++i)
        key[i] = QChar(read16(base, node.keyStart + 2 * i));
    return key.compare(name, Qt::CaseInsensitive) == 0;
}

bool fail(int code)
{
    SetLastError(code);
    return false;
}

// The checked version block of the file at `path`.
std::optional<QByteArray> loadBlock(const QString &path)
{
    // A block's length is a 16-bit number; the section may add alignment padding.
    std::optional<QByteArray> section = ReadElfSection(path, QByteArray(VersionSectionName), 0x10000 + 4);
    if (!section)
        return std::nullopt;
    const auto *base = reinterpret_cast<const uchar *>(section->constData());
    const std::optional<Node> root = parseNode(base, 0, section->size());
    if (!root || !keyEquals(base, *root, QStringLiteral("VS_VERSION_INFO"))) {
        SetLastError(EBADMSG);
        return std::nullopt;
    }
    section->truncate(root->end);
    return section;
}

} // namespace

quint32 GetFileVersionInfoSizeW(const QString &path)
{
    const std::optional<QByteArray> block = loadBlock(path);
    return block ? quint32(block->size()) : 0;
}

bool GetFileVersionInfoW(const QString &path, quint32 size, void *buffer)
{
    if (!buffer)
        return fail(EINVAL);
    const std::optional<QByteArray> block = loadBlock(path);
    if (!block)
        return false;
    if (size < quint32(block->size()))
        return fail(ERANGE); // the file changed since its size was asked, or the caller erred
    std::memcpy(buffer, block->constData(), size_t(block->size()));
    return true;
}

bool VerQueryValueW(const void *block, const QString &subBlock, const void **buffer, quint32 *length)
{
    if (!block || !buffer || !length)
        return fail(EINVAL);
    const auto *base = static_cast<const uchar *>(block);
    std::optional<Node> node = parseNode(base, 0, read16(base, 0));
    if (!node)
        return fail(EBADMSG);

    for (const QString &name : subBlock.split(QLatin1Char('\\'), Qt::SkipEmptyParts)) {
        std::optional<Node> found;
        for (qsizetype at = node->children; at + NodeHeaderSize <= node->end;) {
            if (read16(base, at) == 0)
                break; // zero padding after the last child
            const std::optional<Node> child = parseNode(base, at, node->end);
            if (!child)
                return fail(EBADMSG);
            if (keyEquals(base, *child, name)) {
                found = child;
                break;
            }
            at = align4(child->end);
        }
        if (!found)
            return fail(ENODATA);
        node = found;
    }

    if (node->valueBytes == 0) {
        if (node->type != TextValue)
            return fail(ENODATA); // e.g. "\" of a block without fixed file information
        // An empty text: point at the key's terminating zero, so the result is a valid
        // zero-terminated text inside the block.
        *buffer = base + node->keyEnd;
        *length = 0;
        return true;
    }
    *buffer = base + node->value;
    *length = quint32(node->type == TextValue ? node->valueBytes / 2 : node->valueBytes);
    return true;
}

quint32 GetFileVersion(const QString &path)
{
    constexpr quint32 NoVersion = 0xFFFFFFFF;
    const std::optional<QByteArray> block = loadBlock(path);
    if (!block)
        return NoVersion;
    const void *info = nullptr;
    quint32 length = 0;
    if (!VerQueryValueW(block->constData(), QStringLiteral("\\"), &info, &length) || length < FixedFileInfoSize)
        return NoVersion;
    return qFromLittleEndian<quint32>(static_cast<const uchar *>(info) + 8); // dwFileVersionMS
}
