#include "imagelist/MetafileHeader.h"

#include "platform/Errors.h"

#include <QIODevice>
#include <QtEndian>
#include <cmath>

namespace {
QByteArray ReadHeader(QIODevice &file, int size)
{
    const QByteArray header = file.read(size);
    if (header.size() < size)
        throw MirelonError(QStringLiteral("The file is too short for a metafile header"));
    return header;
}

qint32 Int32At(const QByteArray &data, int offset)
{
    return qFromLittleEndian<qint32>(data.constData() + offset);
}

quint32 UInt32At(const QByteArray &data, int offset)
{
    return qFromLittleEndian<quint32>(data.constData() + offset);
}

qint16 Int16At(const QByteArray &data, int offset)
{
    return qFromLittleEndian<qint16>(data.constData() + offset);
}

quint16 UInt16At(const QByteArray &data, int offset)
{
    return qFromLittleEndian<quint16>(data.constData() + offset);
}

int RoundedPixels(double value)
{
    return value >= 1 && value < 1e9 ? static_cast<int>(std::lround(value)) : 0;
}
} // namespace

QSize ReadEmfSize(QIODevice &file)
{
    const QByteArray header = ReadHeader(file, 88);
    constexpr quint32 headerRecord = 1;
    constexpr quint32 signature = 0x464D4520; // " EMF"
    if (UInt32At(header, 0) != headerRecord || UInt32At(header, 40) != signature || UInt32At(header, 4) < 88)
        throw MirelonError(QStringLiteral("The file is not a valid enhanced metafile"));

    const double frameWidth = double(Int32At(header, 32)) - Int32At(header, 24);   // 0.01 mm
    const double frameHeight = double(Int32At(header, 36)) - Int32At(header, 28);
    const double devicePixelsX = Int32At(header, 72), devicePixelsY = Int32At(header, 76);
    const double deviceMmX = Int32At(header, 80), deviceMmY = Int32At(header, 84);
    QSize size;
    if (devicePixelsX > 0 && devicePixelsY > 0 && deviceMmX > 0 && deviceMmY > 0)
        size = QSize(RoundedPixels(frameWidth * devicePixelsX / (deviceMmX * 100)),
                     RoundedPixels(frameHeight * devicePixelsY / (deviceMmY * 100)));
    if (size.isEmpty()) // no usable frame: fall back to the bounds, given in device pixels (inclusive)
        size = QSize(RoundedPixels(double(Int32At(header, 16)) - Int32At(header, 8) + 1),
                     RoundedPixels(double(Int32At(header, 20)) - Int32At(header, 12) + 1));
    if (size.isEmpty())
        throw MirelonError(QStringLiteral("The enhanced metafile's header gives no picture size"));
    return size;
}

QSize ReadWmfSize(QIODevice &file)
{
    const QByteArray header = ReadHeader(file, 22 + 18); // placeable header, then the standard one
    constexpr quint32 placeableKey = 0x9AC6CDD7;
    if (UInt32At(header, 0) != placeableKey)
        throw MirelonError(QStringLiteral("The file is not a placeable Windows metafile, so its size is unknown"));
    const quint16 metaType = UInt16At(header, 22), metaHeaderWords = UInt16At(header, 24);
    if ((metaType != 1 && metaType != 2) || metaHeaderWords != 9)
        throw MirelonError(QStringLiteral("The file is not a valid Windows metafile"));

    const double unitsPerInch = UInt16At(header, 14);
    const double width = double(Int16At(header, 10)) - Int16At(header, 6);
    const double height = double(Int16At(header, 12)) - Int16At(header, 8);
    const QSize size = unitsPerInch > 0
        ? QSize(RoundedPixels(std::abs(width) * 96 / unitsPerInch), RoundedPixels(std::abs(height) * 96 / unitsPerInch))
        : QSize();
    if (size.isEmpty())
        throw MirelonError(QStringLiteral("The Windows metafile's header gives no picture size"));
    return size;
}
