// Adding pictures to the image list, timed.
//   bench_imagelist_add generate <folder> <count> <width> <height>
//       writes one JPEG of that size and copies it until the folder holds <count> of them
//   bench_imagelist_add add <folder>
//       adds the folder to the main window's list as Add Folder does and prints the figures
#include "app/MainWindow.h"
#include "tests/support/MainWindowParts.h"
#include "imagelist/AddErrorBox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <cstdio>
#include <sys/resource.h>

namespace {
long PeakResidentKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int Generate(const QString &folder, int count, int width, int height)
{
    QDir().mkpath(folder);
    QImage picture(width, height, QImage::Format_RGB32);
    {
        QPainter painter(&picture);
        QLinearGradient gradient(0, 0, width, height);
        gradient.setColorAt(0, QColor(30, 90, 160));
        gradient.setColorAt(1, QColor(230, 200, 120));
        painter.fillRect(picture.rect(), gradient);
        painter.setPen(QPen(Qt::darkRed, 9));
        for (int i = 0; i < 40; ++i)
            painter.drawEllipse(QPoint((i * 997) % width, (i * 631) % height), 80 + i * 7, 60 + i * 5);
    }
    const QString first = folder + QStringLiteral("/photo0000.jpg");
    if (!picture.save(first, "jpeg", 85)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(first));
        return 1;
    }
    for (int i = 1; i < count; ++i)
        if (!QFile::copy(first, folder + QStringLiteral("/photo%1.jpg").arg(i, 4, 10, QLatin1Char('0')))) {
            std::fprintf(stderr, "cannot copy to %s\n", qPrintable(folder));
            return 1;
        }
    return 0;
}

int Add(const QString &folder)
{
    int failures = 0;
    ReportAddError = [&failures](QWidget *, const QString &) { ++failures; };
    MainWindow form;
    const long before = PeakResidentKiB();

    QElapsedTimer timer;
    timer.start();
    form.addFolder(folder);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;

    const int added = ImageModel(form).count();
    const QString size = added ? EntryText(form, 0, 1) + QStringLiteral(" x ") +
                                     EntryText(form, 0, 2)
                               : QStringLiteral("-");
    std::printf("added %d files of %s pixels (%d refused) in %.3f s: %.0f files/s\n", added, qPrintable(size),
                failures, seconds, added / seconds);
    std::printf("peak resident memory: %ld KiB before adding, %ld KiB after\n", before, PeakResidentKiB());
    return failures == 0 ? 0 : 1;
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() == 6 && args[1] == QLatin1String("generate"))
        return Generate(args[2], args[3].toInt(), args[4].toInt(), args[5].toInt());
    if (args.size() == 3 && args[1] == QLatin1String("add"))
        return Add(args[2]);
    std::fprintf(stderr, "usage: %s generate <folder> <count> <width> <height> | add <folder>\n", argv[0]);
    return 2;
}
