// The engine on hostile pictures: damaged, cut off, or claiming far more than their data holds.
// Each must end quickly and within bounded memory; a picture that could not be searched ends
// with a message naming the file and a non-zero exit, never as a picture without faces.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

namespace {

const QString Engine = QStringLiteral(MIRELON_BINARY_DIR "/mirelon-facedetect");
const QString Corpus = QStringLiteral(MIRELON_SOURCE_DIR "/tests/facedetector/hostile");

// Limits for one picture, with room for a loaded CI machine (the engine itself needs about
// 0.2 s and 20 MB for such files).
constexpr double MaxCpuSeconds = 2.0;
constexpr long MaxPeakKiB = 300 * 1024;

struct EngineRun {
    int exitCode = -1; // -1: ended by a signal
    QString errors;
    double cpuSeconds = 0;
    long peakKiB = 0;
};

// Runs the engine on one picture with its standard error captured and the kernel's account of
// its processor time and peak memory. Hard limits stop a runaway engine well past the bounds.
EngineRun RunEngine(const QString &picture)
{
    const QByteArray engine = QFile::encodeName(Engine), path = QFile::encodeName(picture);
    int errors[2];
    if (pipe2(errors, O_CLOEXEC) != 0)
        qFatal("pipe2 failed");
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(errors[1], 2);
        const rlimit cpu{30, 30}, data{std::uint64_t(2) << 30, std::uint64_t(2) << 30};
        setrlimit(RLIMIT_CPU, &cpu);
        setrlimit(RLIMIT_DATA, &data);
        execl(engine.constData(), engine.constData(), "--", path.constData(), static_cast<char *>(nullptr));
        _exit(127);
    }
    close(errors[1]);
    QByteArray text;
    char buffer[4096];
    for (ssize_t n; (n = read(errors[0], buffer, sizeof buffer)) != 0;)
        if (n > 0)
            text.append(buffer, n);
        else if (errno != EINTR)
            break;
    close(errors[0]);
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    EngineRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.errors = QString::fromUtf8(text);
    run.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.peakKiB = usage.ru_maxrss;
    return run;
}

// A 1 x 1 RLE8 BMP whose data is `size` bytes of runs of 255 pixels: the column goes billions
// of pixels past the row (past INT_MAX from 17 MB on), and without an end code the data ends
// before the picture.
QByteArray RunawayRleBmp(qsizetype size, bool endCode)
{
    QByteArray data;
    data.reserve(size + 2);
    while (data.size() + 2 <= size)
        data.append("\xff\x07", 2);
    if (endCode)
        data.append("\x00\x01", 2);
    QByteArray header(54 + 8, '\0');
    auto put32 = [&header](int at, quint32 v) {
        for (int i = 0; i < 4; ++i)
            header[at + i] = char(v >> (8 * i));
    };
    header[0] = 'B';
    header[1] = 'M';
    put32(2, quint32(header.size() + data.size()));
    put32(10, quint32(header.size()));
    put32(14, 40);
    put32(18, 1);
    put32(22, 1);
    header[26] = 1;
    header[28] = 8;
    put32(30, 1); // RLE8
    put32(34, quint32(data.size()));
    put32(46, 2);                               // two palette entries
    header.replace(54, 8, "\0\0\0\0\xff\xff\xff\0", 8);
    return header + data;
}

void PutBig32(QByteArray &bytes, quint32 value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.append(char(value >> shift));
}

void PutLittle(QByteArray &bytes, quint64 value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes.append(char(value >> (8 * i)));
}

// `size` zero bytes, deflated (zlib format) a piece at a time.
QByteArray DeflatedZeros(qint64 size, int level = 9)
{
    z_stream stream{};
    deflateInit(&stream, level);
    static const QByteArray zeros(1 << 20, '\0');
    QByteArray out;
    char buffer[1 << 16];
    for (qint64 left = size;;) {
        const qint64 piece = qMin<qint64>(left, zeros.size());
        left -= piece;
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(zeros.constData()));
        stream.avail_in = uInt(piece);
        const int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        int result;
        do {
            stream.next_out = reinterpret_cast<Bytef *>(buffer);
            stream.avail_out = sizeof buffer;
            result = deflate(&stream, flush);
            out.append(buffer, qsizetype(sizeof buffer - stream.avail_out));
        } while (stream.avail_out == 0);
        if (flush == Z_FINISH && result == Z_STREAM_END)
            break;
    }
    deflateEnd(&stream);
    return out;
}

QByteArray PngChunk(const char *type, const QByteArray &data)
{
    QByteArray chunk;
    PutBig32(chunk, quint32(data.size()));
    const QByteArray body = QByteArray(type, 4) + data;
    chunk += body;
    PutBig32(chunk, quint32(crc32(0, reinterpret_cast<const Bytef *>(body.constData()), uInt(body.size()))));
    return chunk;
}

QByteArray PngHeader(quint32 width, quint32 height, char depth, char colour, char interlace)
{
    QByteArray ihdr;
    PutBig32(ihdr, width);
    PutBig32(ihdr, height);
    ihdr += depth;
    ihdr += colour;
    ihdr += QByteArray(2, '\0');
    ihdr += interlace;
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", ihdr);
}

// A blank grey 16-bit interlaced PNG: every pass's rows (a filter byte and the samples) are zero.
QByteArray BlankInterlacedPng16(quint32 side)
{
    static const int start[7][2] = {{0, 0}, {4, 0}, {0, 4}, {2, 0}, {0, 2}, {1, 0}, {0, 1}};
    static const int step[7][2] = {{8, 8}, {8, 8}, {4, 8}, {4, 4}, {2, 4}, {2, 2}, {1, 2}};
    qint64 bytes = 0;
    for (int pass = 0; pass < 7; ++pass) {
        const qint64 columns = (side - start[pass][0] + step[pass][0] - 1) / step[pass][0];
        const qint64 rows = (side - start[pass][1] + step[pass][1] - 1) / step[pass][1];
        if (columns > 0 && rows > 0)
            bytes += rows * (1 + columns * 2);
    }
    return PngHeader(side, side, 16, 0, 1) + PngChunk("IDAT", DeflatedZeros(bytes)) + PngChunk("IEND", {});
}

// A 1 x 1 PNG behind `count` zTXt chunks, each inflating to `inflated` bytes.
QByteArray PngBehindText(int count, qint64 inflated)
{
    const QByteArray text = PngChunk("zTXt", QByteArray("comment\0\0", 9) + DeflatedZeros(inflated));
    QByteArray png = PngHeader(1, 1, 8, 2, 0);
    for (int i = 0; i < count; ++i)
        png += text;
    return png + PngChunk("IDAT", DeflatedZeros(4)) + PngChunk("IEND", {});
}

// A 1-bit TIFF of side x side pixels in one deflated strip of blank rows.
QByteArray BlankBilevelTiff(quint32 side)
{
    const QByteArray strip = DeflatedZeros(qint64(side + 7) / 8 * side);
    QByteArray tiff("II*\0", 4);
    PutLittle(tiff, 8, 4);
    const quint32 dataAt = 8 + 2 + 9 * 12 + 4;
    struct Entry {
        quint16 tag, type;
        quint32 value;
    };
    const Entry ifd[] = {{256, 4, side}, {257, 4, side}, {258, 3, 1}, {259, 3, 8}, {262, 3, 0},
                         {273, 4, dataAt}, {277, 3, 1}, {278, 4, side}, {279, 4, quint32(strip.size())}};
    PutLittle(tiff, 9, 2);
    for (const Entry &entry : ifd) {
        PutLittle(tiff, entry.tag, 2);
        PutLittle(tiff, entry.type, 2);
        PutLittle(tiff, 1, 4);
        PutLittle(tiff, entry.value, 4);
    }
    PutLittle(tiff, 0, 4);
    return tiff + strip;
}

// A GIF of side x side pixels whose LZW codes expand as far as the coding allows: each code
// names the longest string so far plus one pixel, then the longest string over and over.
QByteArray MaximumExpansionGif(quint16 side, qsizetype dataBytes)
{
    QByteArray gif("GIF89a", 6);
    PutLittle(gif, side, 2);
    PutLittle(gif, side, 2);
    gif += QByteArray("\x80\0\0", 3);             // a global table of two colours
    gif += QByteArray("\0\0\0\xff\xff\xff", 6);
    gif += ',';
    PutLittle(gif, 0, 4);
    PutLittle(gif, side, 2);
    PutLittle(gif, side, 2);
    gif += '\0';
    gif += '\x02'; // minimum code size: 2 (codes 0-3 colours, 4 clear, 5 end)
    QByteArray codes;
    quint32 bits = 0, held = 0;
    auto putCode = [&](quint32 code, int width) {
        bits |= code << held;
        held += quint32(width);
        while (held >= 8) {
            codes += char(bits & 0xff);
            bits >>= 8;
            held -= 8;
        }
    };
    int width = 3, next = 6;
    putCode(4, width); // clear
    putCode(0, width);
    while (codes.size() < dataBytes) {
        if (next < 4096) { // the code about to be added: the last string plus its own first pixel
            putCode(quint32(next), width);
            ++next;
            if (next == (1 << width) && width < 12)
                ++width;
        } else {
            putCode(4095, 12);
        }
    }
    putCode(5, width);
    if (held)
        codes += char(bits & 0xff);
    for (qsizetype at = 0; at < codes.size(); at += 255) {
        const QByteArray block = codes.mid(at, 255);
        gif += char(block.size());
        gif += block;
    }
    return gif + QByteArray("\0;", 2);
}

// A lossless WEBP of width x height whose prefix codes have one symbol each: every pixel takes
// no bits at all; `padding` bytes follow the stream.
QByteArray ZeroBitLosslessWebp(quint32 width, quint32 height, qsizetype padding)
{
    quint64 bits = 0;
    int held = 0;
    QByteArray stream("\x2f", 1);
    auto put = [&](quint64 value, int count) {
        bits |= value << held;
        held += count;
        while (held >= 8) {
            stream += char(bits & 0xff);
            bits >>= 8;
            held -= 8;
        }
    };
    put(width - 1, 14);
    put(height - 1, 14);
    put(0, 1); // no alpha
    put(0, 3); // version
    put(0, 1); // no transform
    put(0, 1); // no colour cache
    put(0, 1); // one group of prefix codes
    for (int code = 0; code < 5; ++code)
        put(0b0001, 4); // simple code, one symbol, of one bit: symbol 0
    put(0, 8);
    stream += QByteArray(padding, '\0');
    QByteArray chunk("VP8L", 4);
    PutLittle(chunk, quint32(stream.size()), 4);
    chunk += stream;
    if (chunk.size() % 2)
        chunk += '\0';
    QByteArray riff("RIFF", 4);
    PutLittle(riff, quint32(4 + chunk.size()), 4);
    return riff + "WEBP" + chunk;
}

// A small JPEG followed by a hole: a sparse file of `size` bytes.
bool WriteSparseJpeg(const QString &path, qint64 size)
{
    QImage picture(64, 64, QImage::Format_RGB32);
    picture.fill(Qt::gray);
    if (!picture.save(path, "JPEG"))
        return false;
    return ::truncate(QFile::encodeName(path).constData(), size) == 0;
}

} // namespace

class TestHostilePictures : public QObject {
    Q_OBJECT

    QTemporaryDir work_;

private slots:
    void initTestCase()
    {
        QVERIFY(work_.isValid());
        // For measuring the generated files with other builds of the engine.
        if (qEnvironmentVariableIsSet("MIRELON_KEEP_HOSTILE")) {
            work_.setAutoRemove(false);
            qInfo("the generated files stay in %s", qPrintable(work_.path()));
        }
        QVERIFY2(QFile::exists(Engine), "build mirelon-facedetect first");
        QVERIFY(!QDir(Corpus).entryList(QDir::Files).isEmpty());
    }

    void endBoundedWithAMessage_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("searchable"); // a valid picture: searched, exit 0
        for (const QString &name : QDir(Corpus).entryList(QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(name)) << Corpus + QLatin1Char('/') + name << false;

        // Too large to keep in the source tree: written here.
        const struct {
            const char *name;
            qsizetype size;
            bool endCode;
        } generated[] = {
            {"bmp-rle-runaway-17MB.bmp", 17 << 20, false},
            {"bmp-rle-runaway-50MB.bmp", 50 << 20, false},
            {"bmp-rle-runaway-ended-17MB.bmp", 17 << 20, true}, // a valid 1 x 1 picture after all
        };
        for (const auto &g : generated) {
            const QString path = work_.filePath(QString::fromLatin1(g.name));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(RunawayRleBmp(g.size, g.endCode));
            QTest::newRow(g.name) << path << g.endCode;
        }

        // Small files that cost far more than they hold: each claims a huge picture its few
        // bytes cannot fill, or hides its pixels behind megabytes of inflating text.
        const struct {
            const char *name;
            QByteArray bytes;
            bool searchable;
        } small[] = {
            {"tiff-bilevel-15800.tif", BlankBilevelTiff(15800), false},
            {"gif-lzw-maximum-expansion.gif", MaximumExpansionGif(15800, 101 << 10), false},
            {"webp-lossless-12000.webp", ZeroBitLosslessWebp(12000, 12000, 56 << 10), false},
            {"png-16bit-interlaced-8000.png", BlankInterlacedPng16(8000), false},
            {"png-behind-text.png", PngBehindText(999, 7900000), true},
        };
        for (const auto &s : small) {
            const QString path = work_.filePath(QString::fromLatin1(s.name));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(s.bytes) == s.bytes.size());
            QTest::newRow(s.name) << path << s.searchable;
        }
        const QString sparse = work_.filePath("jpeg-sparse-1900MB.jpg");
        QVERIFY(WriteSparseJpeg(sparse, qint64(1900) << 20));
        QTest::newRow("jpeg-sparse-1900MB.jpg") << sparse << false;
    }
    void endBoundedWithAMessage()
    {
        QFETCH(QString, path);
        QFETCH(bool, searchable);
        const EngineRun run = RunEngine(path);
        const QString account = QStringLiteral("exit %1, %2 s, %3 MB: %4")
                                    .arg(run.exitCode).arg(run.cpuSeconds).arg(run.peakKiB / 1024).arg(run.errors);
        QVERIFY2(run.cpuSeconds < MaxCpuSeconds && run.peakKiB < MaxPeakKiB, qPrintable(account));
        if (searchable) {
            QVERIFY2(run.exitCode == 0, qPrintable(account));
        } else {
            QVERIFY2(run.exitCode == 1, qPrintable(account));
            QVERIFY2(run.errors.startsWith(QStringLiteral("mirelon-facedetect: ") + path + QStringLiteral(": ")), qPrintable(account));
        }
    }
};

QTEST_GUILESS_MAIN(TestHostilePictures)
#include "tst_hostilepictures.moc"
