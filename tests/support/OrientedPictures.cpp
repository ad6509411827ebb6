#include "tests/support/OrientedPictures.h"

#include <QBuffer>
#include <QTransform>
#include <QtEndian>

namespace {

void Put16(QByteArray &bytes, quint16 value)
{
    bytes.append(char(value & 0xFF)).append(char(value >> 8));
}

void Put32(QByteArray &bytes, quint32 value)
{
    Put16(bytes, quint16(value & 0xFFFF));
    Put16(bytes, quint16(value >> 16));
}

void PutEntry(QByteArray &bytes, quint16 tag, quint16 type, quint32 count, quint32 value)
{
    Put16(bytes, tag);
    Put16(bytes, type);
    Put32(bytes, count);
    if (type == 3 && count == 1) { // a SHORT sits in the first two bytes of the field
        Put16(bytes, quint16(value));
        Put16(bytes, 0);
    } else {
        Put32(bytes, value);
    }
}

} // namespace

QImage StoredForOrientation(const QImage &upright, int orientation)
{
    const QImage clockwise = upright.transformed(QTransform().rotate(90));
    switch (orientation) {
    case 2:
        return upright.mirrored(true, false);
    case 3:
        return upright.mirrored(true, true);
    case 4:
        return upright.mirrored(false, true);
    case 5: // transposed
        return clockwise.mirrored(true, false);
    case 6: // shown turned a quarter clockwise, so stored a quarter anticlockwise
        return upright.transformed(QTransform().rotate(-90));
    case 7: // transposed across the other diagonal
        return clockwise.mirrored(false, true);
    case 8:
        return clockwise;
    default:
        return upright;
    }
}

QByteArray OrientationDirectory(quint16 type, quint32 value, quint32 count)
{
    QByteArray tiff("II*\0", 4);
    Put32(tiff, 8);
    Put16(tiff, 1);
    PutEntry(tiff, 0x0112, type, count, value);
    Put32(tiff, 0);
    return tiff;
}

QByteArray ExifSegment(const QByteArray &exif)
{
    const QByteArray payload = QByteArray("Exif\0\0", 6) + exif;
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char((payload.size() + 2) >> 8)).append(char((payload.size() + 2) & 0xFF));
    return segment + payload;
}

QByteArray JpegWithSegments(const QImage &stored, const QByteArray &segments)
{
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    stored.save(&buffer, "JPEG", 95);
    return jpeg.left(2) + segments + jpeg.mid(2);
}

QByteArray JpegWithExif(const QImage &stored, const QByteArray &exif)
{
    return JpegWithSegments(stored, ExifSegment(exif));
}

QByteArray ExifDirectory(const QList<ExifEntry> &entries, const QList<ExifEntry> &exifSubDirectory)
{
    // Header, the first directory, then the sub-directory right after it.
    const quint32 firstSize = 2 + 12 * quint32(entries.size() + (exifSubDirectory.isEmpty() ? 0 : 1)) + 4;
    QByteArray tiff("II*\0", 4);
    Put32(tiff, 8);
    Put16(tiff, quint16(entries.size() + (exifSubDirectory.isEmpty() ? 0 : 1)));
    for (const ExifEntry &entry : entries)
        PutEntry(tiff, entry.tag, entry.type, entry.count, entry.value);
    if (!exifSubDirectory.isEmpty())
        PutEntry(tiff, 0x8769, 4, 1, 8 + firstSize);
    Put32(tiff, 0);
    if (!exifSubDirectory.isEmpty()) {
        Put16(tiff, quint16(exifSubDirectory.size()));
        for (const ExifEntry &entry : exifSubDirectory)
            PutEntry(tiff, entry.tag, entry.type, entry.count, entry.value);
        Put32(tiff, 0);
    }
    return tiff;
}

QByteArray TiffWithOrientation(const QImage &stored, int orientation)
{
    const QImage rgb = stored.convertToFormat(QImage::Format_RGB888);
    const quint32 width = quint32(rgb.width()), height = quint32(rgb.height());
    constexpr quint16 Entries = 10;
    const quint32 bitsAt = 8 + 2 + 12 * Entries + 4;
    const quint32 pixelsAt = bitsAt + 6;
    QByteArray tiff("II*\0", 4);
    Put32(tiff, 8);
    Put16(tiff, Entries);
    PutEntry(tiff, 256, 4, 1, width);
    PutEntry(tiff, 257, 4, 1, height);
    PutEntry(tiff, 258, 3, 3, bitsAt);
    PutEntry(tiff, 259, 3, 1, 1); // no compression
    PutEntry(tiff, 262, 3, 1, 2); // RGB
    PutEntry(tiff, 273, 4, 1, pixelsAt);
    PutEntry(tiff, 274, 3, 1, quint32(orientation));
    PutEntry(tiff, 277, 3, 1, 3);
    PutEntry(tiff, 278, 4, 1, height);
    PutEntry(tiff, 279, 4, 1, width * height * 3);
    Put32(tiff, 0);
    for (int i = 0; i < 3; ++i)
        Put16(tiff, 8);
    for (int y = 0; y < rgb.height(); ++y)
        tiff.append(reinterpret_cast<const char *>(rgb.constScanLine(y)), qsizetype(width) * 3);
    return tiff;
}
