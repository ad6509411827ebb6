// The run as the user follows it, timed.
//
//   bench_run progress [images] [rounds]  a run over small images in the main window (status
//                                         text, progress bar, output box) against the same run
//                                         with no display at all, rounds alternating; medians
//   bench_run window [images]             one run in the main window (for timing from outside)
//   bench_run headless [images]           the same run without any display
//   bench_run jobs [images] [rounds]      Blur into JPG over photos of 500 x 375 in the window,
//                                         Jobs=1 against Jobs=0 (every core), rounds alternating;
//                                         images per second and whether names and bytes match
//   bench_run stop [megapixels] [rounds]  Stop while the real engine searches a large photo:
//                                         the time until the run has ended and its processes
//                                         are gone
//
// Runs go through the real runner: temp.php, /bin/sh, php/php with GD. The small-image runs use
// a library that returns two fixed faces at once (bench/processing/fixedfaces), placed beside
// this program together with php/php, as the installed program has them.
#include "app/AppState.h"
#include "app/MainWindow.h"
#include "tests/support/MainWindowParts.h"
#include "platform/AppPaths.h"
#include "processing/ActionRun.h"
#include "processing/BatchRun.h"
#include "processing/PhpRuntime.h"

#include <QPushButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QMap>
#include <QThread>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sys/resource.h>

namespace {
// A photo-like JPEG of the given size.
void writePhoto(const QString &path, int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb((x / 3 + int(random.bounded(24))) % 256, (y / 2 + seed * 7) % 256, (x + y) / 5 % 256);
    }
    QPainter painter(&image);
    painter.setBrush(QColor(220, 180, 150));
    painter.drawEllipse(width / 6, height / 5, width / 6, height / 4);
    painter.end();
    image.save(path, "JPEG", 85);
}

QStringList smallImages(const QString &folder, int count)
{
    QStringList images;
    for (int i = 0; i < count; ++i) {
        images << folder + QStringLiteral("/small %1.jpg").arg(i + 1);
        writePhoto(images.last(), 160, 120, i);
    }
    return images;
}

// Processor seconds this process has used (its children, the interpreters, not counted).
double ownCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void waitUntil(const std::function<bool()> &done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// One run of the chosen action in the shown main window, through Convert; seconds.
double windowRun(MainWindow &form, const QStringList &images, const QString &destination, QSize size = QSize(160, 120))
{
    ImageModel(form).clear();
    for (const QString &image : images)
        ImageModel(form).append(image, size);
    Part<QLineEdit>(form, "destinationEdit")->setText(destination);
    QElapsedTimer clock;
    clock.start();
    Part<QPushButton>(form, "convertButton")->click();
    waitUntil([&form] { return !form.runInProgress(); });
    return clock.nsecsElapsed() / 1e9;
}

// The same run with nothing shown: the run loop and its per-image step alone; seconds.
double headlessRun(const QStringList &images, const QString &destination, const QString &library)
{
    ActionRunValues values{PhpDirOf(ExecutableFolder()), library, SettingsDir, QStringLiteral("PNG")};
    QDir().mkpath(destination);
    QElapsedTimer clock;
    clock.start();
    BatchRun run(images, ActionImages(Action::MarkFacesInImage, values, [&destination] { return destination; }), {});
    bool ended = false;
    QObject::connect(&run, &BatchRun::finished, [&ended] { ended = true; });
    run.start();
    waitUntil([&ended] { return ended; });
    return clock.nsecsElapsed() / 1e9;
}

// Processes whose command line holds `text`.
int processesWith(const QByteArray &text)
{
    int count = 0;
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile cmdline(QStringLiteral("/proc/") + pid + QStringLiteral("/cmdline"));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(text))
            ++count;
    }
    return count;
}

int benchStop(const QString &work, int megapixels, int rounds)
{
    const QString library = QStringLiteral(MIRELON_BINARY_DIR "/FaceDetector.php");
    const int width = int(std::sqrt(megapixels * 1e6 * 3 / 2));
    const int height = width * 2 / 3;
    const QString photo = work + QStringLiteral("/large.jpg");
    writePhoto(photo, width, height, 1);
    std::printf("Stop during a Mark run on a %d x %d JPEG (%.1f megapixels) with the real library and engine;\n"
                "Stop is pressed 2 s after the image started.\n\n",
                width, height, width * double(height) / 1e6);
    std::printf("| Round | Engine running at Stop | Stop until the run has ended (ms) | Processes left |\n|---:|---|---:|---:|\n");
    QList<double> latencies;
    for (int r = 0; r < rounds; ++r) {
        ActionRunValues values{QStringLiteral(MIRELON_BINARY_DIR "/php"), library, SettingsDir, QStringLiteral("PNG")};
        const QString destination = work + QStringLiteral("/stop-out");
        QDir().mkpath(destination);
        BatchRun run({photo}, ActionImages(Action::MarkFacesInImage, values, [&destination] { return destination; }), {});
        bool ended = false;
        QElapsedTimer sinceStop;
        double latency = 0;
        QObject::connect(&run, &BatchRun::finished, [&] {
            latency = sinceStop.nsecsElapsed() / 1e6;
            ended = true;
        });
        run.start();
        bool engineRunning = false;
        QTimer::singleShot(2000, [&] {
            engineRunning = processesWith("mirelon-facedetect") > 0;
            sinceStop.start();
            run.stop();
        });
        waitUntil([&ended] { return ended; });
        QElapsedTimer settle; // SIGKILL takes a moment to take a process down
        settle.start();
        while (processesWith("mirelon-facedetect") > 0 && settle.elapsed() < 500)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        const int left = processesWith("mirelon-facedetect");
        latencies << latency;
        std::printf("| %d | %s | %.1f | %d |\n", r + 1, engineRunning ? "yes" : "no", latency, left);
        std::fflush(stdout);
    }
    std::printf("\nMedian %.1f ms, longest %.1f ms; goal <= 500 ms: %s.\n", median(latencies),
                *std::max_element(latencies.begin(), latencies.end()),
                *std::max_element(latencies.begin(), latencies.end()) <= 500 ? "met" : "NOT met");
    return 0;
}
// The files of `folder` by name, with their bytes.
QMap<QString, QByteArray> folderContent(const QString &folder)
{
    QMap<QString, QByteArray> content;
    for (const QString &name : QDir(folder).entryList(QDir::Files)) {
        QFile file(folder + QLatin1Char('/') + name);
        file.open(QIODevice::ReadOnly);
        content.insert(name, file.readAll());
    }
    return content;
}

int benchJobs(MainWindow &form, const QString &work, int count, int rounds)
{
    QStringList images;
    for (int i = 0; i < count; ++i) {
        images << work + QStringLiteral("/photo %1.jpg").arg(i + 1);
        writePhoto(images.last(), 500, 375, i);
    }
    Part<QComboBox>(form, "actionCombo")->setCurrentText(QStringLiteral("Blur Faces in Image"));
    Part<QComboBox>(form, "formatCombo")->setCurrentText(QStringLiteral("JPG"));
    form.show();
    std::printf("Blur Faces in Image into JPG, %d JPEG photos of 500 x 375, the fixed-face library beside the program;\n"
                "Jobs=1 against Jobs=0 (%d cores), %d rounds alternating.\n\n"
                "| Round | Jobs=1 (images/s) | every core (images/s) | Ratio | Same names and bytes |\n|---:|---:|---:|---:|---|\n",
                count, QThread::idealThreadCount(), rounds);
    QList<double> ratios;
    bool allSame = true;
    for (int r = 0; r < rounds; ++r) {
        double seconds[2];
        QMap<QString, QByteArray> outputs[2];
        for (int j = 0; j < 2; ++j) {
            SettingsIni.setValue(QStringLiteral("Settings"), QStringLiteral("Jobs"), j == 0 ? QStringLiteral("1") : QStringLiteral("0"));
            const QString out = work + QStringLiteral("/jobs-%1-%2").arg(r).arg(j);
            seconds[j] = windowRun(form, images, out, QSize(500, 375));
            outputs[j] = folderContent(out);
            QDir(out).removeRecursively();
        }
        const bool same = outputs[0] == outputs[1] && outputs[0].size() == count;
        allSame = allSame && same;
        ratios << seconds[0] / seconds[1];
        std::printf("| %d | %.1f | %.1f | %.2f | %s |\n", r + 1, count / seconds[0], count / seconds[1], ratios.last(),
                    same ? "yes" : "NO");
        std::fflush(stdout);
    }
    std::printf("\nMedian ratio %.2f; goal >= 1.7: %s; outputs identical: %s.\n", median(ratios),
                median(ratios) >= 1.7 ? "met" : "NOT met", allSame ? "yes" : "NO");
    return 0;
}
} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir work;
    // Settings, the update check and per-user state stay inside the temporary folder.
    qputenv("XDG_CONFIG_HOME", work.filePath(QStringLiteral("config")).toUtf8());
    qputenv("MIRELON_SERVICE_HOST", "127.0.0.1:9");
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("progress");
    const auto number = [&](int at, int fallback) { return argc > at ? QString::fromLocal8Bit(argv[at]).toInt() : fallback; };

    MainWindow form; // chooses SettingsDir and opens the settings
    SettingsDir = WithTrailingSlash(work.path());

    if (mode == QLatin1String("stop"))
        return benchStop(work.path(), number(2, 50), number(3, 5));
    if (mode == QLatin1String("jobs"))
        return benchJobs(form, work.path(), number(2, 200), number(3, 3));

    const QString library = LibraryPath(ExecutableFolder());
    const QStringList images = smallImages(work.path(), number(2, 200));
    Part<QComboBox>(form, "actionCombo")->setCurrentText(QStringLiteral("Mark Faces in Image"));
    Part<QComboBox>(form, "formatCombo")->setCurrentText(QStringLiteral("PNG"));
    form.show();

    int round = 0;
    const auto destination = [&] { return work.filePath(QStringLiteral("out%1").arg(++round)); };
    if (mode == QLatin1String("window")) {
        std::printf("%.3f s\n", windowRun(form, images, destination()));
        return 0;
    }
    if (mode == QLatin1String("headless")) {
        std::printf("%.3f s\n", headlessRun(images, destination(), library));
        return 0;
    }

    const int rounds = number(3, 3);
    std::printf("Mark Faces in Image, PNG, %lld JPEG images of 160 x 120, fixed-face library; %d rounds, "
                "the two runs alternating.\nWall time of the run, and the processor time of this process alone "
                "(the window and the run loop; the interpreters not counted).\n\n"
                "| Round | In the window (s) | Without display (s) | Ratio | Own CPU, window (ms) | Own CPU, without (ms) |\n"
                "|---:|---:|---:|---:|---:|---:|\n",
                qlonglong(images.size()), rounds);
    QList<double> shown, bare, ratios, shownCpu, bareCpu;
    for (int r = 0; r < rounds; ++r) {
        double cpu = ownCpuSeconds();
        shown << windowRun(form, images, destination());
        shownCpu << (ownCpuSeconds() - cpu) * 1000;
        cpu = ownCpuSeconds();
        bare << headlessRun(images, destination(), library);
        bareCpu << (ownCpuSeconds() - cpu) * 1000;
        ratios << shown.last() / bare.last();
        std::printf("| %d | %.2f | %.2f | %.3f | %.0f | %.0f |\n", r + 1, shown.last(), bare.last(), ratios.last(),
                    shownCpu.last(), bareCpu.last());
        std::fflush(stdout);
    }
    std::printf("\nMedians: %.2f s in the window, %.2f s without display; median ratio %.3f; goal <= 1.05: %s.\n"
                "The display's own cost: %.2f ms of processor time per image.\n",
                median(shown), median(bare), median(ratios), median(ratios) <= 1.05 ? "met" : "NOT met",
                (median(shownCpu) - median(bareCpu)) / images.size());
    return 0;
}
