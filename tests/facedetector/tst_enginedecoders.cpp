// The engine's picture decoders in process: each format, in the variants its writers produce,
// decodes to the pixels that were stored; orientation tags turn the picture upright; damaged
// and forged files are refused with DecodeError.
#include "facedetector/engine/FaceEngine.h"
#include "tests/support/OrientedPictures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

#include <gif_lib.h>

#include <span>

using namespace facedetect;

namespace {

// A small picture with a different colour at every pixel, smooth enough for lossy codings to
// keep close, with sides that are no multiple of a block or a byte and no two sides alike (a
// picture turned the wrong way shows).
QImage Pattern()
{
    QImage image(37, 23, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(20 + x * 6, 10 + y * 10, 40 + x * 2 + y * 4));
    return image;
}

QByteArray Encoded(const QImage &image, const char *format, int quality = -1, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(image))
        qFatal("cannot write %s: %s", format, qPrintable(writer.errorString()));
    return bytes;
}

// A GIF of the picture's colours (at most 256) through giflib: Qt reads GIF but does not write it.
QByteArray Gif(const QImage &source, bool interlaced)
{
    const QImage indexed = source.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    QList<QRgb> table = indexed.colorTable();
    table.resize(256);
    std::vector<GifColorType> colours;
    for (const QRgb rgb : table)
        colours.push_back({GifByteType(qRed(rgb)), GifByteType(qGreen(rgb)), GifByteType(qBlue(rgb))});
    QByteArray bytes;
    int error = 0;
    GifFileType *gif = EGifOpen(&bytes, [](GifFileType *file, const GifByteType *data, int size) {
        static_cast<QByteArray *>(file->UserData)->append(reinterpret_cast<const char *>(data), size);
        return size;
    }, &error);
    ColorMapObject *map = GifMakeMapObject(256, colours.data());
    const int width = indexed.width(), height = indexed.height();
    bool written = gif && map && EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK &&
                   EGifPutImageDesc(gif, 0, 0, width, height, interlaced, nullptr) == GIF_OK;
    // An interlaced frame is stored in four passes of rows: 0, 4, 8, ...; 4, 12, ...; 2, 6, ...; 1, 3, ...
    const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
    for (int pass = 0; written && pass < (interlaced ? 4 : 1); ++pass)
        for (int y = interlaced ? starts[pass] : 0; written && y < height; y += interlaced ? steps[pass] : 1)
            written = EGifPutLine(gif, const_cast<GifByteType *>(indexed.constScanLine(y)), width) == GIF_OK;
    if (gif)
        written = EGifCloseFile(gif, &error) == GIF_OK && written;
    GifFreeMapObject(map);
    if (!written)
        qFatal("cannot write the GIF: %s", GifErrorString(error));
    return bytes;
}

std::span<const std::uint8_t> Span(const QByteArray &bytes)
{
    return {reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size())};
}

// The largest difference of any channel between the decoded RGB picture and the expected one;
// -1 when the sizes or the type differ.
int LargestDifference(const cv::Mat &decoded, const QImage &expected)
{
    if (decoded.type() != CV_8UC3 || decoded.cols != expected.width() || decoded.rows != expected.height())
        return -1;
    int largest = 0;
    for (int y = 0; y < decoded.rows; ++y)
        for (int x = 0; x < decoded.cols; ++x) {
            const cv::Vec3b got = decoded.at<cv::Vec3b>(y, x);
            const QRgb want = expected.pixel(x, y);
            largest = std::max({largest, std::abs(got[0] - qRed(want)), std::abs(got[1] - qGreen(want)),
                                std::abs(got[2] - qBlue(want))});
        }
    return largest;
}

} // namespace

class TestEngineDecoders : public QObject {
    Q_OBJECT

private slots:
    void decodesTheStoredPixels_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QImage>("expected");
        QTest::addColumn<int>("tolerance"); // per channel: 0 for lossless codings
        const QImage rgb = Pattern();
        const QImage gray = rgb.convertToFormat(QImage::Format_Grayscale8);
        const QImage palette = rgb.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
        const QImage mono = rgb.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);

        QTest::newRow("PNG RGB") << Encoded(rgb, "png") << rgb << 0;
        QTest::newRow("PNG 16 bits per sample") << Encoded(rgb.convertToFormat(QImage::Format_RGBX64), "png") << rgb << 0;
        QTest::newRow("PNG palette") << Encoded(palette, "png") << palette << 0;
        QTest::newRow("PNG gray") << Encoded(gray, "png") << gray << 0;
        QTest::newRow("JPEG baseline") << Encoded(rgb, "jpeg", 100) << rgb << 12;
        QTest::newRow("JPEG progressive") << Encoded(rgb, "jpeg", 100, true) << rgb << 12;
        QTest::newRow("JPEG gray") << Encoded(gray, "jpeg", 100) << gray << 4;
        QTest::newRow("GIF") << Gif(palette, false) << palette << 0;
        QTest::newRow("GIF interlaced") << Gif(palette, true) << palette << 0;
        QTest::newRow("BMP 24 bits") << Encoded(rgb, "bmp") << rgb << 0;
        QTest::newRow("BMP 8-bit palette") << Encoded(palette, "bmp") << palette << 0;
        QTest::newRow("BMP 1 bit") << Encoded(mono, "bmp") << mono << 0;
        QTest::newRow("WEBP lossless") << Encoded(rgb, "webp", 100) << rgb << 0;
        QTest::newRow("WEBP lossy") << Encoded(rgb, "webp", 90) << rgb << 16;
        QTest::newRow("TIFF RGB") << Encoded(rgb, "tiff") << rgb << 0;
        QTest::newRow("TIFF palette") << Encoded(palette, "tiff") << palette << 0;
    }
    void decodesTheStoredPixels()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QImage, expected);
        QFETCH(int, tolerance);
        const cv::Mat decoded = DecodeImageBytes(Span(bytes));
        const int difference = LargestDifference(decoded, expected);
        QVERIFY2(difference >= 0, qPrintable(QStringLiteral("decoded %1 x %2, type %3").arg(decoded.cols).arg(decoded.rows).arg(decoded.type())));
        QVERIFY2(difference <= tolerance, qPrintable(QStringLiteral("a channel differs by %1").arg(difference)));
    }

    void filesAreTurnedUpright_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("tolerance");
        const QImage upright = Pattern();
        for (int orientation = 1; orientation <= 8; ++orientation) {
            const QImage stored = StoredForOrientation(upright, orientation);
            QTest::addRow("JPEG %d", orientation)
                << JpegWithExif(stored, OrientationDirectory(3, quint32(orientation))) << orientation << 12;
            QTest::addRow("TIFF %d", orientation) << TiffWithOrientation(stored, orientation) << orientation << 0;
        }
        QTest::newRow("PNG, no tag") << Encoded(upright, "png") << 1 << 0;
        QTest::newRow("JPEG, tag out of range") << JpegWithExif(upright, OrientationDirectory(3, 9)) << 1 << 12;
    }
    void filesAreTurnedUpright()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, orientation);
        QFETCH(int, tolerance);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("picture"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        const UprightFile decoded = DecodeUprightFile(QFile::encodeName(path).toStdString());
        QCOMPARE(decoded.orientation, orientation);
        const int difference = LargestDifference(decoded.picture, Pattern());
        QVERIFY2(difference >= 0 && difference <= tolerance,
                 qPrintable(QStringLiteral("%1 x %2 picture, a channel differs by %3")
                                .arg(decoded.picture.cols).arg(decoded.picture.rows).arg(difference)));
    }

    void refusesDamagedAndForgedFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("not a picture at all\n");
        QTest::newRow("PNG signature only") << QByteArray("\x89PNG\r\n\x1a\n", 8);
        QTest::newRow("JPEG cut in half") << Encoded(Pattern(), "jpeg", 90).first(300);
        const QDir hostile(QStringLiteral(MIRELON_SOURCE_DIR "/tests/facedetector/hostile"));
        const QStringList names = hostile.entryList(QDir::Files);
        QVERIFY(!names.isEmpty());
        for (const QString &name : names) {
            QFile file(hostile.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QTest::newRow(qPrintable(name)) << file.readAll();
        }
    }
    void refusesDamagedAndForgedFiles()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY_THROWS_EXCEPTION(DecodeError, DecodeImageBytes(Span(bytes)));
    }
};

QTEST_APPLESS_MAIN(TestEngineDecoders)
#include "tst_enginedecoders.moc"
