// Runs each action in each output format over a batch of 640 x 480 images through the real
// runner (scripts in temp.php, /bin/sh, php/php with GD), with a library that returns two fixed
// faces at once, and compares the time per image with the floor: a bare PHP run through the
// same runner that only decodes the same image and writes it in the same format.
#include "Median.h"
#include "WindowRun.h"
#include "processing/ActionRun.h"
#include "processing/PhpRuntime.h"
#include "processing/ImageJob.h"
#include "scripts/ActionScripts.h"
#include "scripts/ShellQuote.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

// One command through the runner each image of a run goes through; returns what it printed.
QByteArray runCommand(const QString &command, const QString &workingDirectory)
{
    ImageJob job(command, workingDirectory, std::chrono::milliseconds(0));
    QByteArray printed;
    QEventLoop loop;
    QObject::connect(&job, &ImageJob::finished, &loop, [&](const ImageJobResult &result) {
        printed = result.output;
        loop.quit();
    });
    job.start();
    loop.exec();
    return printed;
}

const QString PhpDir = QStringLiteral(MIRELON_BINARY_DIR "/php");
const QString Library = QStringLiteral(MIRELON_SOURCE_DIR "/bench/processing/fixedfaces/FaceDetector.php");

// A photo-like JPEG: smooth shading, a few shapes and some grain.
void writeInputImage(const QString &path, int seed)
{
    QImage image(640, 480, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const int grain = int(random.bounded(24));
            image.setPixel(x, y, qRgb((x / 3 + grain) % 256, (y / 2 + seed * 7) % 256, (x + y) / 5 % 256));
        }
    QPainter painter(&image);
    painter.setBrush(QColor(220, 180, 150));
    painter.drawEllipse(110, 90, 100, 120);
    painter.drawEllipse(390, 130, 90, 110);
    painter.end();
    image.save(path, "JPEG", 90);
}

// One image of one action, into `destination` (which fills up as in a real batch run).
qint64 timeAction(Action action, const QString &format, const QString &image, const QString &destination,
                  const QString &settingsDir)
{
    const ActionRunValues values{PhpDir, Library, settingsDir, format};
    return TimeWindowRun(action, values, {image}, destination);
}

QString writeScript(const QString &script, const char *text)
{
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != qint64(qstrlen(text)))
        qFatal("cannot write %s", qPrintable(script));
    return script;
}

// The floor script: decode the image named first, write it in the format named third.
QString writeFloorScript(const QString &work)
{
    return writeScript(work + QStringLiteral("/floor.php"),
                       "<?php\n"
                       "$image = imagecreatefromstring(file_get_contents($argv[1]));\n"
                       "switch ($argv[3]) {\n"
                       "case 'png': imagepng($image, $argv[2] . '.png'); break;\n"
                       "case 'jpg': imagejpeg($image, $argv[2] . '.jpg', 90); break;\n"
                       "case 'webp': imagewebp($image, $argv[2] . '.webp', 90); break;\n"
                       "case 'bmp': imagebmp($image, $argv[2] . '.bmp'); break;\n"
                       "}\n");
}

// One bare interpreter run through the same runner.
qint64 timeFloor(const QString &script, const QString &format, const QString &image, const QString &output)
{
    const QString command = InterpreterCommand(InterpreterFile(PhpDir), script) + QLatin1Char(' ')
                            + ShellQuoted(image) + QLatin1Char(' ') + ShellQuoted(output) + QLatin1Char(' ')
                            + format.toLower();
    QElapsedTimer timer;
    timer.start();
    runCommand(command, PhpDir);
    return timer.nsecsElapsed();
}

// The Blur script's own image work for the two fixed faces (the cover of each: mosaic and
// softening, the generated script's own function), timed inside PHP: work the action does on
// purpose, not time the application adds.
double blurWorkMilliseconds(const QString &work, const QStringList &images)
{
    const QStringList blur = BlurFacesInImageScript(QStringLiteral("unused"), QStringLiteral("unused"), QStringLiteral("png"),
                                                    QStringLiteral("unused"));
    const qsizetype from = blur.indexOf(QRegularExpression(QStringLiteral("^// How faces are covered")));
    const qsizetype to = blur.indexOf(QStringLiteral("// Cover each detected face"));
    const QByteArray text = "<?php\n" + blur.mid(from, to - from).join(QLatin1Char('\n')).toUtf8() +
                            "\n$image = imagecreatefromstring(file_get_contents($argv[1]));\n"
                            "$start = hrtime(true);\n"
                            "foreach ([[100, 80, 120, 140], [380, 120, 110, 130]] as [$x, $y, $w, $h]) {\n"
                            "    coverFace($image, ['x' => $x, 'y' => $y, 'width' => $w, 'height' => $h], $coverMarginPercent,\n"
                            "        $coverBlocksAcross, $coverSmallestBlock, $coverSofteningBlock, $coverSofteningPasses);\n"
                            "}\n"
                            "echo (hrtime(true) - $start) / 1e6;\n";
    const QString script = writeScript(work + QStringLiteral("/blurwork.php"), text.constData());
    QList<qint64> microseconds;
    for (const QString &image : images) {
        const QString printed = QString::fromUtf8(
            runCommand(InterpreterCommand(InterpreterFile(PhpDir), script) + QLatin1Char(' ') + ShellQuoted(image), PhpDir));
        microseconds << qint64(printed.toDouble() * 1000);
    }
    return median(microseconds) / 1000;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int imageCount = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 50;
    const int repeats = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 3;

    QTemporaryDir work;
    QStringList images;
    for (int i = 0; i < imageCount; ++i) {
        images << work.filePath(QStringLiteral("input %1.jpg").arg(i + 1));
        writeInputImage(images.last(), i);
    }

    const QList<QPair<Action, const char *>> actions{{Action::ExportFacePositions, "Export Face Positions"},
                                                     {Action::MarkFacesInImage, "Mark Faces in Image"},
                                                     {Action::BlurFacesInImage, "Blur Faces in Image"},
                                                     {Action::SaveFacesAsSeparateImages, "Save Faces as Separate Images"}};
    const QStringList formats{"PNG", "JPG", "WEBP", "BMP"};

    std::printf("%d images of 640 x 480 (JPEG input), %d rounds, fixed-face library; median time per image.\n"
                "Floor and actions alternate image by image, so that the machine's load hits them alike.\n\n",
                imageCount, repeats);
    std::printf("| Action | Format | Images/s | ms per image | Floor ms per image | Added ms | Ratio | Goal (<= 1.25) |\n");
    std::printf("|---|---|---:|---:|---:|---:|---:|---|\n");
    const QString floorScript = writeFloorScript(work.path());
    bool allMet = true;
    for (const QString &format : formats) {
        QList<qint64> floorTimes;
        QList<QList<qint64>> actionTimes(actions.size());
        for (int r = 0; r < repeats; ++r) {
            const QString round = work.filePath(QStringLiteral("%1-%2").arg(format).arg(r));
            for (int a = 0; a < actions.size(); ++a)
                QDir().mkpath(round + QStringLiteral("/out%1").arg(a));
            for (int i = 0; i < imageCount; ++i) {
                floorTimes << timeFloor(floorScript, format, images[i], round + QStringLiteral("/floor%1").arg(i));
                for (int a = 0; a < actions.size(); ++a)
                    actionTimes[a] << timeAction(actions[a].first, format, images[i],
                                                 round + QStringLiteral("/out%1").arg(a), round + QLatin1Char('/'));
            }
            QDir(round).removeRecursively();
        }
        const double floor = median(floorTimes) / 1e9;
        for (int a = 0; a < actions.size(); ++a) {
            const double ours = median(actionTimes[a]) / 1e9;
            const double ratio = ours / floor;
            allMet = allMet && ratio <= 1.25;
            std::printf("| %s | %s | %.1f | %.1f | %.1f | %+.1f | %.2f | %s |\n", actions[a].second,
                        qPrintable(format), 1.0 / ours, ours * 1000, floor * 1000, (ours - floor) * 1000, ratio,
                        ratio <= 1.25 ? "met" : "NOT met");
        }
        std::fflush(stdout);
    }
    std::printf("\nBlur's own image work for the two faces (the cover's mosaic and softening), timed inside "
                "PHP: %.1f ms per image.\n",
                blurWorkMilliseconds(work.path(), images.mid(0, qMin<qsizetype>(images.size(), 20))));
    std::printf("\n%s The library returns its faces at once, so each time is spent outside it.\n",
                allMet ? "Every action and format meets the goal." : "Not every action and format meets the goal (rows marked NOT met).");
    return 0;
}
