// The engine on hostile pictures: damaged, cut off, or claiming far more than their data holds.
// Each must end quickly and within bounded memory; a picture that could not be searched ends
// with a message naming the file and a non-zero exit, never as a picture without faces.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

} // namespace

class TestHostilePictures : public QObject {
    Q_OBJECT

    QTemporaryDir work_;

private slots:
    void initTestCase()
    {
        QVERIFY(work_.isValid());
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
