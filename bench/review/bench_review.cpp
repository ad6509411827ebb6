// The review pane under load.
//   bench_review stall <folder>
//       adds the folder's pictures, selects the first and steps down the list as a reviewer
//       does (Page Down once the shown entry's faces are in) while the next ones are searched
//       ahead; prints the event loop's longest stall and the time until each entry's boxes
//   bench_review memory <folder>
//       adds the folder's pictures, gives each a review of three boxes (one dropped, one
//       drawn), shows the first, and prints the whole process's memory
#include "app/MainWindow.h"
#include "bench/processing/Median.h"
#include "imagelist/AddErrorBox.h"
#include "review/ReviewPane.h"
#include "tests/support/MainWindowParts.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <cstdio>

namespace {
long ResidentKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLong();
    return -1;
}

// The longest time between two turns of the event loop, sampled by a 1 ms timer.
class StallMeter : public QObject {
public:
    StallMeter()
    {
        clock_.start();
        last_ = clock_.nsecsElapsed();
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] {
            const qint64 now = clock_.nsecsElapsed();
            longest_ = qMax(longest_, now - last_);
            last_ = now;
        });
        timer_.start(1);
    }
    double longestMs() const { return double(longest_) / 1e6; }
    void reset()
    {
        longest_ = 0;
        last_ = clock_.nsecsElapsed();
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
};

ReviewPane *Pane(const MainWindow &window)
{
    return Part<ReviewPane>(window, "reviewPane");
}

bool WaitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

int Stall(const QString &folder)
{
    MainWindow window;
    window.show();
    window.addFolder(folder);
    const int count = ImageModel(window).count();
    StallMeter meter;
    QList<double> boxesAfterMs;
    QList<double> stallsMs;
    QElapsedTimer total;
    total.start();
    ImageList(window)->setFocus();
    ImageList(window)->setCurrentIndex(ImageModel(window).index(0, 0));
    for (int row = 0; row < count; ++row) {
        QElapsedTimer shown;
        shown.start();
        meter.reset();
        if (!WaitFor([&] { return ImageModel(window).review(row).searched && Pane(window)->pictureShown(); }, 120000)) {
            std::fprintf(stderr, "entry %d: no faces after 120 s\n", row);
            return 1;
        }
        boxesAfterMs << double(shown.nsecsElapsed()) / 1e6;
        QTest::qWait(20); // a glance at the boxes
        stallsMs << meter.longestMs();
        if (row + 1 < count)
            QTest::keyClick(Pane(window), Qt::Key_PageDown);
    }
    const double seconds = double(total.nsecsElapsed()) / 1e9;
    std::printf("%d entries reviewed in %.1f s (%.2f s per entry)\n", count, seconds, seconds / count);
    std::printf("longest event-loop stall: %.1f ms (median per entry %.1f ms)\n",
                *std::max_element(stallsMs.begin(), stallsMs.end()), median(stallsMs));
    std::printf("boxes shown after stepping: median %.0f ms, longest %.0f ms\n", median(boxesAfterMs),
                *std::max_element(boxesAfterMs.begin(), boxesAfterMs.end()));
    return 0;
}

int Memory(const QString &folder)
{
    MainWindow window;
    window.show();
    const long before = ResidentKiB("VmRSS:");
    window.addFolder(folder);
    ImageListModel &model = ImageModel(window);
    for (int row = 0; row < model.count(); ++row) {
        FaceReview review;
        review.searched = true;
        review.stamp = StampOf(model.entry(row).path);
        review.boxes = {{QRect(10, 20, 40, 50), false, false}, {QRect(80, 20, 40, 50), true, false},
                        {QRect(150, 30, 30, 30), false, true}};
        review.reviewed = true;
        model.setReview(row, review);
    }
    ImageList(window)->setCurrentIndex(model.index(0, 0));
    WaitFor([&] { return Pane(window)->pictureShown(); }, 60000);
    QTest::qWait(200);
    std::printf("%d reviewed entries: resident %ld KiB (%ld KiB before adding), peak %ld KiB\n", model.count(),
                ResidentKiB("VmRSS:"), before, ResidentKiB("VmHWM:"));
    return 0;
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ReportAddError = [](QWidget *, const QString &text) { std::fprintf(stderr, "add: %s\n", qPrintable(text)); };
    const QStringList args = application.arguments();
    if (args.size() == 3 && args[1] == QLatin1String("stall"))
        return Stall(args[2]);
    if (args.size() == 3 && args[1] == QLatin1String("memory"))
        return Memory(args[2]);
    std::fprintf(stderr, "usage: %s stall <folder> | memory <folder>\n", argv[0]);
    return 2;
}
