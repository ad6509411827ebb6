// mirelon-convert against the main window's own run: Blur into JPG over a batch of 640 x 480
// photos with the real face detection library. Rounds alternate the window's run, --jobs 1 and
// --jobs 2, so that the machine's load hits them alike; ratios are taken round by round.
// Peak memory (the sum over the command and every process under it, sampled) is measured in
// runs of its own, so that sampling costs the timed runs nothing.
// Usage: bench_convert [pictures] [rounds], or bench_convert window DIR PICTURE... (see main).
#include "Median.h"
#include "WindowRun.h"
#include "processing/ActionRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

namespace {
const QString PhpDir = QStringLiteral(MIRELON_BINARY_DIR "/php");
const QString Library = QStringLiteral(MIRELON_BINARY_DIR "/FaceDetector.php");
const QString Command = QStringLiteral(MIRELON_BINARY_DIR "/mirelon-convert");
const QStringList Photos{QStringLiteral(MIRELON_SHARED_DIR "/faces/2007_007763.jpg"),
                         QStringLiteral(MIRELON_SHARED_DIR "/faces/2008_001009.jpg"),
                         QStringLiteral(MIRELON_SHARED_DIR "/faces/2008_001322.jpg"),
                         QStringLiteral(MIRELON_SHARED_DIR "/faces/2008_002079.jpg")};

// The window's run: its loop over the list, one picture after the other.
double windowSeconds(const QStringList &pictures, const QString &destination, const QString &settingsDir)
{
    QDir().mkpath(destination);
    const ActionRunValues values{PhpDir, Library, settingsDir, QStringLiteral("JPG")};
    return TimeWindowRun(Action::BlurFacesInImage, values, pictures, destination) / 1e9;
}

// Resident memory of `root` and every process under it, in kB.
qint64 treeResidentKb(qint64 root)
{
    QMap<qint64, qint64> parentOf;
    QMap<qint64, qint64> residentOf;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid)
            continue;
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("PPid:"))
                parentOf[pid] = line.mid(5).trimmed().toLongLong();
            else if (line.startsWith("VmRSS:"))
                residentOf[pid] = line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
    }
    qint64 total = 0;
    for (auto it = residentOf.cbegin(); it != residentOf.cend(); ++it) {
        for (qint64 p = it.key(); p > 1; p = parentOf.value(p, 0))
            if (p == root) {
                total += it.value();
                break;
            }
    }
    return total;
}

struct CommandRun {
    double seconds = 0;
    qint64 peakKb = 0; // only when sampled
};

CommandRun runCommand(int jobs, const QStringList &pictures, const QString &destination, bool sampleMemory)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(Command, QStringList{QStringLiteral("--jobs"), QString::number(jobs), QStringLiteral("--action"),
                                       QStringLiteral("blur"), QStringLiteral("--format"), QStringLiteral("jpg"),
                                       QStringLiteral("--destination"), destination} + pictures);
    process.waitForStarted();
    CommandRun run;
    std::atomic<bool> running{true};
    std::thread sampler;
    if (sampleMemory)
        sampler = std::thread([&] {
            while (running) {
                run.peakKb = std::max(run.peakKb, treeResidentKb(process.processId()));
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
    process.waitForFinished(-1);
    run.seconds = timer.nsecsElapsed() / 1e9;
    running = false;
    if (sampler.joinable())
        sampler.join();
    if (process.exitCode() != 0)
        qFatal("mirelon-convert failed with status %d", process.exitCode());
    return run;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // "window DIR PICTURE...": only the window's run, so that a timer of whole processes can
    // set it against mirelon-convert run for run.
    if (argc > 3 && QByteArray(argv[1]) == "window") {
        const QStringList arguments = app.arguments();
        QTemporaryDir settings;
        windowSeconds(arguments.mid(3), arguments[2], settings.path() + QLatin1Char('/'));
        return 0;
    }
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 200;
    const int rounds = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 3;

    QTemporaryDir work;
    QStringList pictures;
    for (int i = 0; i < count; ++i) {
        pictures << work.filePath(QStringLiteral("in/picture %1.jpg").arg(i + 1, 3, 10, QLatin1Char('0')));
        QDir().mkpath(work.filePath(QStringLiteral("in")));
        QImage photo(Photos[i % Photos.size()]);
        if (photo.isNull())
            qFatal("cannot read %s (the shared face pictures)", qPrintable(Photos[i % Photos.size()]));
        photo.scaled(640, 480, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .mirrored(i % 8 >= 4, false)
            .save(pictures.last(), "JPEG", 90);
    }

    std::printf("Blur into JPG, %d photos of 640 x 480, real face detection, %d rounds, %d cores.\n\n", count, rounds,
                QThread::idealThreadCount());
    std::printf("| Round | Window s | --jobs 1 s | --jobs 2 s | jobs 2 / jobs 1 speed | jobs 1 / window time |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|\n");
    QList<double> window, one, two, speedup, versusWindow;
    for (int r = 0; r < rounds; ++r) {
        const QString round = work.filePath(QStringLiteral("round%1").arg(r));
        window << windowSeconds(pictures, round + QStringLiteral("/window"), round + QLatin1Char('/'));
        one << runCommand(1, pictures, round + QStringLiteral("/jobs1"), false).seconds;
        two << runCommand(2, pictures, round + QStringLiteral("/jobs2"), false).seconds;
        speedup << one.last() / two.last();
        versusWindow << one.last() / window.last();
        std::printf("| %d | %.1f | %.1f | %.1f | %.2f | %.3f |\n", r + 1, window.last(), one.last(), two.last(),
                    speedup.last(), versusWindow.last());
        std::fflush(stdout);
        QDir(round).removeRecursively();
    }
    const double medianSpeedup = median(speedup);
    const double medianVersusWindow = median(versusWindow);
    std::printf("\nMedians: window %.2f pictures/s, --jobs 1 %.2f pictures/s, --jobs 2 %.2f pictures/s.\n",
                count / median(window), count / median(one), count / median(two));
    std::printf("--jobs 2 is %.2f x --jobs 1 (goal >= 1.7: %s); --jobs 1 takes %.3f x the window's time "
                "(goal <= 1.05: %s).\n",
                medianSpeedup, medianSpeedup >= 1.7 ? "met" : "NOT met", medianVersusWindow,
                medianVersusWindow <= 1.05 ? "met" : "NOT met");

    // Peak memory: one picture alone (the largest of a few), then the whole batch with 1 and 2 jobs.
    qint64 onePicture = 0;
    for (int i = 0; i < 4; ++i)
        onePicture = std::max(onePicture, runCommand(1, {pictures[i]}, work.filePath(QStringLiteral("single%1").arg(i)), true).peakKb);
    std::printf("\n| Run | Peak memory (MB) | Bound N x one picture + 50 MB | Goal |\n|---|---:|---:|---|\n");
    std::printf("| one picture | %.1f | | |\n", onePicture / 1024.0);
    for (int jobs : {1, 2}) {
        const qint64 peak = runCommand(jobs, pictures, work.filePath(QStringLiteral("memory%1").arg(jobs)), true).peakKb;
        const double bound = jobs * onePicture / 1024.0 + 50;
        std::printf("| --jobs %d, %d photos | %.1f | %.1f | %s |\n", jobs, count, peak / 1024.0, bound,
                    peak / 1024.0 <= bound ? "met" : "NOT met");
    }
    return 0;
}
