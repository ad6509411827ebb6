#pragma once
// Photos stored turned, with an orientation tag that says how to show them upright, as cameras
// write them.
#include <QByteArray>
#include <QImage>
#include <QList>

// The pixels a camera stores for `upright` when it tags the file with `orientation` (1 to 8):
// a viewer that applies the tag shows `upright` again.
QImage StoredForOrientation(const QImage &upright, int orientation);

// Little-endian TIFF-structured data whose first directory holds one orientation entry of the
// given field type, count and value (kept in the entry itself).
QByteArray OrientationDirectory(quint16 type, quint32 value, quint32 count = 1);

// One entry of a TIFF directory; a value of up to four bytes sits in the entry itself, a longer
// one is an offset.
struct ExifEntry {
    quint16 tag;
    quint16 type; // 1 byte, 2 text, 3 short, 4 long
    quint32 count;
    quint32 value;
};

// Little-endian TIFF-structured data with the given entries in the first directory and, when
// exifSubDirectory is not empty, an Exif sub-directory (tag 0x8769) holding those.
QByteArray ExifDirectory(const QList<ExifEntry> &entries, const QList<ExifEntry> &exifSubDirectory = {});

// An "Exif" APP1 segment holding `exif` (TIFF-structured data).
QByteArray ExifSegment(const QByteArray &exif);

// A JPEG of `stored` (quality 95) with `segments` (raw marker bytes) right after the
// start-of-image marker.
QByteArray JpegWithSegments(const QImage &stored, const QByteArray &segments);

// A JPEG of `stored` (quality 95) with an "Exif" APP1 segment holding `exif` (TIFF-structured
// data) right after the start-of-image marker.
QByteArray JpegWithExif(const QImage &stored, const QByteArray &exif);

// An uncompressed RGB TIFF of `stored` whose directory carries the orientation tag.
QByteArray TiffWithOrientation(const QImage &stored, int orientation);
