#include "imagelist/PictureHeaders.h"

#include <QList>
#include <QtEndian>

#include <array>
#include <limits>

namespace {
constexpr qint64 MaxSide = std::numeric_limits<qint32>::max();

quint32 big32(QByteArrayView bytes, qsizetype at)
{
    return qFromBigEndian<quint32>(bytes.data() + at);
}

quint16 big16(QByteArrayView bytes, qsizetype at)
{
    return qFromBigEndian<quint16>(bytes.data() + at);
}

quint32 little32(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.data() + at);
}

quint16 little16(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<quint16>(bytes.data() + at);
}

std::optional<QSize> sizeOf(qint64 width, qint64 height)
{
    if (width <= 0 || height <= 0 || width > MaxSide || height > MaxSide)
        return std::nullopt;
    return QSize(int(width), int(height));
}

// One box of an ISO base media file: its type and its content (after the header).
struct Box {
    QByteArrayView type;
    QByteArrayView content;
};

// The boxes in `data`, in order, stopping at the first that does not fit.
template <typename Visit>
void forEachBox(QByteArrayView data, Visit visit)
{
    qsizetype at = 0;
    while (data.size() - at >= 8) {
        quint64 size = big32(data, at);
        qsizetype header = 8;
        if (size == 1) {
            if (data.size() - at < 16)
                return;
            size = (quint64(big32(data, at + 8)) << 32) | big32(data, at + 12);
            header = 16;
        } else if (size == 0) {
            size = quint64(data.size() - at);
        }
        if (size < quint64(header) || size > quint64(data.size() - at))
            return;
        if (!visit(Box{data.sliced(at + 4, 4), data.sliced(at + header, qsizetype(size) - header)}))
            return;
        at += qsizetype(size);
    }
}

bool isHeifBrand(QByteArrayView brand)
{
    static const std::array<const char *, 11> brands{"heic", "heix", "hevc", "hevx", "heim", "heis",
                                                     "hevm", "hevs", "mif1", "avif", "avis"};
    for (const char *known : brands)
        if (brand == QByteArrayView(known, 4))
            return true;
    return false;
}
} // namespace

std::optional<QSize> PngHeaderSize(QByteArrayView head)
{
    if (head.size() < 24 || !head.startsWith("\x89PNG\r\n\x1a\n") || big32(head, 8) != 13
        || head.sliced(12, 4) != QByteArrayView("IHDR"))
        return std::nullopt;
    return sizeOf(big32(head, 16), big32(head, 20));
}

std::optional<QSize> BmpHeaderSize(QByteArrayView head)
{
    if (head.size() < 26 || !head.startsWith("BM"))
        return std::nullopt;
    const quint32 infoSize = little32(head, 14);
    qint64 width = 0, height = 0;
    quint16 planes = 0, bits = 0;
    if (infoSize == 12) {
        width = little16(head, 18);
        height = little16(head, 20);
        planes = little16(head, 22);
        bits = little16(head, 24);
    } else if (infoSize >= 40 && infoSize <= 124 && head.size() >= 30) {
        width = qint32(little32(head, 18));
        height = qint32(little32(head, 22));
        planes = little16(head, 26);
        bits = little16(head, 28);
        if (height < 0)
            height = -height; // rows stored top-down
    } else {
        return std::nullopt;
    }
    if (planes != 1 || (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32))
        return std::nullopt;
    return sizeOf(width, height);
}

std::optional<QSize> HeifHeaderSize(QByteArrayView head)
{
    bool heif = false;
    QByteArrayView meta;
    bool first = true;
    forEachBox(head, [&](const Box &box) {
        if (first) {
            first = false;
            if (box.type != QByteArrayView("ftyp") || box.content.size() < 8)
                return false;
            heif = isHeifBrand(box.content.first(4));
            for (qsizetype at = 8; !heif && at + 4 <= box.content.size(); at += 4)
                heif = isHeifBrand(box.content.sliced(at, 4));
            return heif;
        }
        if (box.type == QByteArrayView("meta")) {
            meta = box.content;
            return false;
        }
        return true;
    });
    if (!heif || meta.size() < 4)
        return std::nullopt;

    quint32 primary = 0;
    bool hasPrimary = false;
    QByteArrayView properties, associations;
    forEachBox(meta.sliced(4), [&](const Box &box) { // after the full box's version and flags
        if (box.type == QByteArrayView("pitm") && box.content.size() >= 6) {
            primary = box.content[0] == 0 ? big16(box.content, 4) : box.content.size() >= 8 ? big32(box.content, 4) : 0;
            hasPrimary = true;
        } else if (box.type == QByteArrayView("iprp")) {
            forEachBox(box.content, [&](const Box &inner) {
                if (inner.type == QByteArrayView("ipco"))
                    properties = inner.content;
                else if (inner.type == QByteArrayView("ipma") && associations.isEmpty())
                    associations = inner.content;
                return true;
            });
        }
        return true;
    });
    if (!hasPrimary || associations.size() < 8)
        return std::nullopt;

    // The property indices (from 1) that the primary item has.
    QList<quint32> wanted;
    const int version = associations[0];
    const bool wideIndex = associations[3] & 1;
    const quint32 entries = big32(associations, 4);
    qsizetype at = 8;
    for (quint32 entry = 0; entry < entries; ++entry) {
        const qsizetype idSize = version < 1 ? 2 : 4;
        if (associations.size() - at < idSize + 1)
            return std::nullopt;
        const quint32 item = idSize == 2 ? big16(associations, at) : big32(associations, at);
        const int count = quint8(associations[at + idSize]);
        at += idSize + 1;
        const qsizetype indexSize = wideIndex ? 2 : 1;
        if (associations.size() - at < count * indexSize)
            return std::nullopt;
        for (int i = 0; i < count; ++i, at += indexSize)
            if (item == primary)
                wanted << (wideIndex ? big16(associations, at) & 0x7FFF : quint8(associations[at]) & 0x7F);
        if (item == primary)
            break;
    }

    std::optional<QSize> size;
    bool turned = false;
    quint32 index = 0;
    forEachBox(properties, [&](const Box &box) {
        ++index;
        if (!wanted.contains(index))
            return true;
        if (box.type == QByteArrayView("ispe") && box.content.size() >= 12 && !size)
            size = sizeOf(big32(box.content, 4), big32(box.content, 8));
        else if (box.type == QByteArrayView("irot") && box.content.size() >= 1)
            turned = (box.content[0] & 1) != 0; // a quarter or three quarters of a turn
        return true;
    });
    if (size && turned)
        size->transpose();
    return size;
}
