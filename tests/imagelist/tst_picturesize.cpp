#include "imagelist/FileExtensions.h"
#include "imagelist/PictureSize.h"
#include "platform/Errors.h"
#include "platform/FileDescriptor.h"
#include "tests/video/VideoClips.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void PutUInt32(QByteArray &data, int offset, quint32 value)
{
    qToLittleEndian(value, data.data() + offset);
}

void PutUInt16(QByteArray &data, int offset, quint16 value)
{
    qToLittleEndian(value, data.data() + offset);
}

QByteArray IsoBox(const char *type, const QByteArray &content)
{
    QByteArray box(4, '\0');
    qToBigEndian(quint32(8 + content.size()), box.data());
    return box + type + content;
}

QByteArray Big32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

// The boxes of a HEIF or AVIF file up to the properties: item 2 is the primary one, with the
// extent width x height and a quarter turn when `turned`; item 1 (a thumbnail) comes first.
QByteArray HeifHeader(const char *brand, quint32 width, quint32 height, bool turned)
{
    const QByteArray fullBox(4, '\0');
    const QByteArray ftyp = IsoBox("ftyp", QByteArray(brand) + Big32(0) + "mif1" + brand);
    const QByteArray pitm = IsoBox("pitm", fullBox + QByteArray("\0\2", 2));
    QByteArray ipco = IsoBox("ispe", fullBox + Big32(160) + Big32(120));  // property 1: thumbnail
    ipco += IsoBox("ispe", fullBox + Big32(width) + Big32(height));       // property 2
    ipco += IsoBox("irot", QByteArray(1, turned ? '\1' : '\0'));         // property 3
    // version 0, flags 0: item numbers of 16 bits, property indices of 7 bits
    const QByteArray ipma = IsoBox("ipma", fullBox + Big32(2) + QByteArray("\0\1\1\x81", 4)
                                              + QByteArray("\0\2\2\x82\x03", 5));
    const QByteArray iprp = IsoBox("iprp", IsoBox("ipco", ipco) + ipma);
    return ftyp + IsoBox("meta", fullBox + IsoBox("hdlr", QByteArray(24, '\0')) + pitm + iprp)
           + IsoBox("mdat", QByteArray(100, '\0'));
}

// The fixed header of an enhanced metafile: a frame of widthMm x heightMm on a reference
// device of 1920 x 1080 pixels that measures 508 x 286 mm.
QByteArray EmfHeader(int widthMm, int heightMm)
{
    QByteArray header(88, '\0');
    PutUInt32(header, 0, 1);
    PutUInt32(header, 4, 88);
    PutUInt32(header, 16, quint32(widthMm * 1920 / 508 - 1)); // bounds in device pixels, inclusive
    PutUInt32(header, 20, quint32(heightMm * 1080 / 286 - 1));
    PutUInt32(header, 32, quint32(widthMm * 100));
    PutUInt32(header, 36, quint32(heightMm * 100));
    PutUInt32(header, 40, 0x464D4520);
    PutUInt32(header, 72, 1920);
    PutUInt32(header, 76, 1080);
    PutUInt32(header, 80, 508);
    PutUInt32(header, 84, 286);
    return header;
}

// A placeable Windows metafile header with its bounding box in units per inch, followed by the
// standard metafile header.
QByteArray WmfHeader(int right, int bottom, int unitsPerInch)
{
    QByteArray header(40, '\0');
    PutUInt32(header, 0, 0x9AC6CDD7);
    PutUInt16(header, 10, quint16(right));
    PutUInt16(header, 12, quint16(bottom));
    PutUInt16(header, 14, quint16(unitsPerInch));
    PutUInt16(header, 22, 1);
    PutUInt16(header, 24, 9);
    return header;
}

// Qt reads GIF but cannot write it: a one-colour GIF built by hand. The LZW stream sends a clear
// code before every second pixel, so every code stays three bits wide.
QByteArray GifPicture(QSize size)
{
    QByteArray gif("GIF89a");
    auto put16 = [&gif](int value) { gif.append(char(value & 0xff)).append(char(value >> 8)); };
    put16(size.width());
    put16(size.height());
    gif.append("\x80\x00\x00", 3);                 // global colour table of two entries
    gif.append("\x00\x00\x00\xff\xff\xff", 6);
    gif.append(',');
    put16(0);
    put16(0);
    put16(size.width());
    put16(size.height());
    gif.append('\0').append('\2');                 // no local table; LZW minimum code size 2
    QByteArray codes;
    quint32 bits = 0;
    int bitCount = 0;
    auto putCode = [&](quint32 code) {
        bits |= code << bitCount;
        bitCount += 3;
        while (bitCount >= 8) {
            codes.append(char(bits & 0xff));
            bits >>= 8;
            bitCount -= 8;
        }
    };
    const qint64 pixels = qint64(size.width()) * size.height();
    for (qint64 i = 0; i < pixels; ++i) {
        if (i % 2 == 0)
            putCode(4);
        putCode(0);
    }
    putCode(5);
    if (bitCount > 0)
        codes.append(char(bits & 0xff));
    for (qsizetype at = 0; at < codes.size(); at += 255) {
        const QByteArray block = codes.mid(at, 255);
        gif.append(char(block.size())).append(block);
    }
    gif.append('\0').append(';');
    return gif;
}

QByteArray EncodedPicture(const char *format, QSize size)
{
    if (qstrcmp(format, "gif") == 0)
        return GifPicture(size);
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, format))
        qFatal("cannot encode %s", format);
    return bytes;
}
// A BMP of the given size whose rows are stored top-down (a negative height).
QByteArray TopDownBmp(int width, int height)
{
    QByteArray bmp = EncodedPicture("bmp", {width, height});
    PutUInt32(bmp, 22, quint32(-height));
    return bmp;
}

} // namespace

class TestPictureSize : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;

private slots:
    void extensionSets_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("folderScan");
        QTest::addColumn<bool>("drop");
        QTest::newRow("a.PNG") << "/p/a.PNG" << true << true;
        QTest::newRow("x.JPG") << "/p/x.JPG" << true << true;
        QTest::newRow("y.Jpeg") << "/p/y.Jpeg" << true << true;
        QTest::newRow("g.gif") << "/p/g.gif" << true << true;
        QTest::newRow("c.TIFF") << "/p/c.TIFF" << true << false;
        QTest::newRow("t.tif") << "/p/t.tif" << true << false;
        QTest::newRow("b.bmp") << "/p/b.bmp" << true << false;
        QTest::newRow("i.ico not scanned") << "/p/i.ico" << false << false;
        QTest::newRow("phone.HEIC") << "/p/phone.HEIC" << true << true;
        QTest::newRow("p.heif") << "/p/p.heif" << true << true;
        QTest::newRow("a.avif") << "/p/a.avif" << true << true;
        QTest::newRow("b.txt") << "/p/b.txt" << false << false;
        QTest::newRow("last dot counts") << "/p/a.png.txt" << false << false;
        QTest::newRow("dot in folder only") << "/p/dir.png/file" << false << false;
        QTest::newRow("hidden .png") << "/p/.png" << true << true;
        QTest::newRow("non-ASCII capital not lowered") << QString::fromUtf8("/p/a.PNĞ") << false << false;
    }
    void extensionSets()
    {
        QFETCH(QString, name);
        QFETCH(bool, folderScan);
        QFETCH(bool, drop);
        QCOMPARE(IsImageFileName(name), folderScan);
        QCOMPARE(IsDropFileName(name), drop);
    }

    void sizeFromHeader_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QSize>("size");
        QTest::newRow("png") << "a.png" << EncodedPicture("png", {640, 480}) << QSize(640, 480);
        QTest::newRow("x.JPG") << "x.JPG" << EncodedPicture("jpeg", {33, 17}) << QSize(33, 17);
        QTest::newRow("jpeg") << "x.jpeg" << EncodedPicture("jpeg", {4000, 3}) << QSize(4000, 3);
        QTest::newRow("gif") << "g.GIF" << EncodedPicture("gif", {5, 7}) << QSize(5, 7);
        QTest::newRow("bmp") << "b.bmp" << EncodedPicture("bmp", {31, 2}) << QSize(31, 2);
        QTest::newRow("c.TIFF") << "c.TIFF" << EncodedPicture("tiff", {12, 34}) << QSize(12, 34);
        QTest::newRow("tif") << "c.tif" << EncodedPicture("tiff", {1, 1}) << QSize(1, 1);
        QTest::newRow("ico") << "i.ico" << EncodedPicture("ico", {48, 32}) << QSize(48, 32);
        QTest::newRow("emf 100 x 50 mm") << "m.emf" << EmfHeader(100, 50) << QSize(378, 189);
        QTest::newRow("wmf 1 x 2 inch") << "m.WMF" << WmfHeader(1440, 2880, 1440) << QSize(96, 192);
        QTest::newRow("bmp stored top-down") << "t.bmp" << TopDownBmp(13, 7) << QSize(13, 7);
        // Only the header is read: what follows it does not matter, not even its absence.
        QTest::newRow("png cut after its header") << "h.png" << EncodedPicture("png", {300, 20}).left(33) << QSize(300, 20);
        QTest::newRow("heic") << "p.HEIC" << HeifHeader("heic", 4032, 3024, false) << QSize(4032, 3024);
        QTest::newRow("heif turned") << "p.heif" << HeifHeader("heic", 4032, 3024, true) << QSize(3024, 4032);
        QTest::newRow("avif") << "p.avif" << HeifHeader("avif", 640, 480, false) << QSize(640, 480);
    }
    void sizeFromHeader()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QSize, size);
        const QString path = dir.filePath(name);
        WriteBytes(path, content);
        QCOMPARE(ReadPictureSize(path), size);
    }

    void refused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        const QByteArray png = EncodedPicture("png", {8, 8});
        QTest::newRow("notes.txt") << "notes.txt" << QByteArray("text") << "Unknown picture file extension (.txt)";
        QTest::newRow("case kept in the text") << "notes.TXT" << QByteArray("text") << "Unknown picture file extension (.TXT)";
        QTest::newRow("no extension") << "README" << QByteArray("text") << "Unknown picture file extension (.)";
        QTest::newRow("JPEG data in photo.png") << "photo.png" << EncodedPicture("jpeg", {8, 8}) << "The file is not a valid PNG picture";
        QTest::newRow("PNG data in photo.jpg") << "photo.jpg" << png << "The file is not a valid JPEG picture";
        QTest::newRow("empty gif") << "e.gif" << QByteArray() << "The file is not a valid GIF picture";
        QTest::newRow("png cut inside its header") << "cut.png" << png.left(12) << "The file is not a valid PNG picture";
        QTest::newRow("bmp with text") << "t.bmp" << QByteArray(64, 'x') << "The file is not a valid bitmap picture";
        QTest::newRow("emf with text") << "t.emf" << QByteArray(100, 'x') << "The file is not a valid enhanced metafile";
        QTest::newRow("emf too short") << "s.emf" << EmfHeader(10, 10).left(40) << "The file is too short for a metafile header";
        QTest::newRow("emf without size") << "z.emf" << EmfHeader(0, 0) << "The enhanced metafile's header gives no picture size";
        QTest::newRow("wmf not placeable") << "n.wmf" << QByteArray(40, '\1') << "The file is not a placeable Windows metafile, so its size is unknown";
        QByteArray hugeEmf = EmfHeader(100, 100); // a reference device of 999,999,999 pixels per 100 mm
        for (int offset : {72, 76})
            PutUInt32(hugeEmf, offset, 999999999);
        for (int offset : {80, 84})
            PutUInt32(hugeEmf, offset, 100);
        QTest::newRow("emf claiming a billion pixels a side") << "huge.emf" << hugeEmf
                                                              << "The picture is too large (999999999 x 999999999 pixels)";
        QTest::newRow("text in p.heic") << "t.heic" << QByteArray(64, 'x') << "The file is not a valid HEIF picture";
        QTest::newRow("heif without a primary item") << "n.heif" << HeifHeader("heic", 10, 10, false).left(40)
                                                     << "The file is not a valid HEIF picture";
        QTest::newRow("wmf zero units per inch") << "u.wmf" << WmfHeader(100, 100, 0) << "The Windows metafile's header gives no picture size";
    }
    void refused()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        const QString path = dir.filePath(name);
        WriteBytes(path, content);
        try {
            const QSize size = ReadPictureSize(path);
            QFAIL(qPrintable(QStringLiteral("read %1 x %2").arg(size.width()).arg(size.height())));
        } catch (const MirelonError &error) {
            QCOMPARE(error.message(), message);
        }
    }

    // Only regular files are read: anything else is refused at once, never opened (opening a
    // FIFO waits for a writer and would freeze the window for good).
    void unopenableFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("make"); // what to put under the name
        QTest::addColumn<QString>("message");
        const QString special = QStringLiteral("Cannot open the file: it is not a regular file (a FIFO, socket or device)");
        QTest::newRow("missing") << "missing.png" << "nothing" << "Cannot open the file: No such file or directory";
        QTest::newRow("a folder named like a picture") << "folder.jpg" << "folder" << "Cannot open the file: it is a folder";
        QTest::newRow("fifo") << "x.png" << "fifo" << special;
        QTest::newRow("link to a fifo") << "l.png" << "link to fifo" << special;
        QTest::newRow("socket") << "s.gif" << "socket" << special;
        QTest::newRow("link to a device") << "d.jpg" << "link to device" << special;
        QTest::newRow("dangling link") << "gone.png" << "dangling link" << "Cannot open the file: No such file or directory";
    }
    void unopenableFiles()
    {
        QFETCH(QString, name);
        QFETCH(QString, make);
        QFETCH(QString, message);
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("pipe")));
        ::unlink(fifo.constData());
        if (make == QLatin1String("folder"))
            QVERIFY(QDir(dir.path()).mkpath(name));
        else if (make == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(path.constData(), 0600), 0);
        else if (make == QLatin1String("link to fifo"))
            QVERIFY(::mkfifo(fifo.constData(), 0600) == 0 && ::symlink(fifo.constData(), path.constData()) == 0);
        else if (make == QLatin1String("link to device"))
            QCOMPARE(::symlink("/dev/zero", path.constData()), 0);
        else if (make == QLatin1String("dangling link"))
            QCOMPARE(::symlink("/nonexistent/elsewhere.png", path.constData()), 0);
        FileDescriptor socketFile;
        if (make == QLatin1String("socket")) {
            socketFile = FileDescriptor(::socket(AF_UNIX, SOCK_STREAM, 0));
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            QVERIFY(size_t(path.size()) < sizeof address.sun_path);
            memcpy(address.sun_path, path.constData(), size_t(path.size()));
            QCOMPARE(::bind(socketFile.get(), reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        }
        try {
            ReadPictureSize(dir.filePath(name));
            QFAIL("no error");
        } catch (const MirelonError &error) {
            QCOMPARE(error.message(), message);
        }
    }

    // A video is listed with its frame size as it plays: a phone clip stored sideways with a
    // rotation tag shows upright. Anything else under a video's name is refused.
    void videoSizes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size"); // invalid: refused
        QTest::newRow("mp4") << "clip.mp4" << QSize(256, 192);
        QTest::newRow("mkv") << "clip.MKV" << QSize(256, 192);
        QTest::newRow("stored sideways, rotation tag") << "phone.mov" << QSize(256, 192);
        QTest::newRow("stored sideways, no tag") << "sideways.mp4" << QSize(192, 256);
        QTest::newRow("a picture named .mp4") << "photo.mp4" << QSize();
        QTest::newRow("MP4 cut inside its header") << "cut.mp4" << QSize();
    }
    void videoSizes()
    {
        using namespace videoclips;
        QFETCH(QString, name);
        QFETCH(QSize, size);
        const QString clip = dir.filePath(QStringLiteral("clip.mp4")), sideways = dir.filePath(QStringLiteral("sideways.mp4"));
        if (!QFile::exists(sideways)) {
            QVERIFY(MakePanningClip(clip, 0.4, {"-c:v", "libx264", "-c:a", "aac"}));
            QVERIFY(Run("ffmpeg", {"-loglevel", "error", "-i", clip, "-vf", "transpose=clock", "-c:v", "libx264", "-c:a", "copy", sideways}));
            QVERIFY(Run("ffmpeg", {"-loglevel", "error", "-i", clip, "-c", "copy", dir.filePath(QStringLiteral("clip.MKV"))}));
            QVERIFY(Run("ffmpeg", {"-loglevel", "error", "-i", sideways, "-c", "copy", "-metadata:s:v", "rotate=90", dir.filePath(QStringLiteral("phone.mov"))}));
            WriteBytes(dir.filePath(QStringLiteral("photo.mp4")), EncodedPicture("jpeg", {64, 48}));
            QFile whole(clip);
            QVERIFY(whole.open(QIODevice::ReadOnly));
            WriteBytes(dir.filePath(QStringLiteral("cut.mp4")), whole.read(24));
        }
        try {
            QCOMPARE(ReadPictureSize(dir.filePath(name)), size);
        } catch (const MirelonError &error) {
            QVERIFY2(!size.isValid(), qPrintable(error.message()));
            QCOMPARE(error.message(), QStringLiteral("Not a video Mirelon reads (MP4, MOV, MKV, WebM or AVI), or a damaged one"));
        }
    }
};

QTEST_GUILESS_MAIN(TestPictureSize)
#include "tst_picturesize.moc"
