#pragma once
// Photos stored turned, with an orientation tag that says how to show them upright, as cameras
// write them.
#include <QByteArray>
#include <QImage>

// The pixels a camera stores for `upright` when it tags the file with `orientation` (1 to 8):
// a viewer that applies the tag shows `upright` again.
QImage StoredForOrientation(const QImage &upright, int orientation);

// Little-endian TIFF-structured data whose first directory holds one orientation entry of the
// given field type, count and value (kept in the entry itself).
QByteArray OrientationDirectory(quint16 type, quint32 value, quint32 count = 1);

// A JPEG of `stored` (quality 95) with an "Exif" APP1 segment holding `exif` (TIFF-structured
// data) right after the start-of-image marker.
QByteArray JpegWithExif(const QImage &stored, const QByteArray &exif);

// An uncompressed RGB TIFF of `stored` whose directory carries the orientation tag.
QByteArray TiffWithOrientation(const QImage &stored, int orientation);
