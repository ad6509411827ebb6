// mirelon-convert as a user runs it: the real executable, the real PHP with GD, the real face
// detection library on real photos (and the stand-in library where a picture must be slow).
#include "scripts/ShellQuote.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <unistd.h>

namespace {
const QString Command = QStringLiteral(MIRELON_BINARY_DIR "/mirelon-convert");
// A copy of the command beside the stand-in library (see CMakeLists.txt).
const QString StandInCommand = QStringLiteral(MIRELON_BINARY_DIR "/tests/app/convert/standin/mirelon-convert");
const QString TwoFaces = QStringLiteral(MIRELON_TEST_DATA_DIR "/faces/2008_001009.jpg");
const QString OtherPhoto = QStringLiteral(MIRELON_TEST_DATA_DIR "/faces/2008_001322.jpg");

struct Result {
    int exitCode = -1;
    QString standardError;
    QByteArray standardOutput;
};

Result run(const QString &command, const QStringList &arguments, const QString &temporaryFolder = QString(),
           const QByteArray &input = QByteArray())
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!temporaryFolder.isEmpty())
        environment.insert(QStringLiteral("TMPDIR"), temporaryFolder);
    process.setProcessEnvironment(environment);
    process.start(command, arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardError()), process.readAllStandardOutput()};
}

QStringList entries(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    names.sort();
    return names;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool copy(const QString &from, const QString &to)
{
    QDir().mkpath(QFileInfo(to).path());
    return QFile::copy(from, to);
}

bool processAlive(qint64 pid)
{
    // A zombie has ended; only a process that still runs counts.
    const QByteArray stat = readAll(QStringLiteral("/proc/%1/stat").arg(pid));
    return !stat.isEmpty() && !stat.contains(") Z ");
}

// A running process with its parent and its command line (arguments joined by blanks).
struct ProcessEntry {
    qint64 pid, parent;
    QByteArray commandLine;
};

QList<ProcessEntry> processes()
{
    QList<ProcessEntry> all;
    for (const QString &name : QDir("/proc").entryList(QDir::Dirs)) {
        bool isPid = false;
        const qint64 pid = name.toLongLong(&isPid);
        if (!isPid || !processAlive(pid))
            continue;
        const QByteArray stat = readAll(QStringLiteral("/proc/%1/stat").arg(pid));
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        all.append({pid, fields.value(1).toLongLong(),
                    readAll(QStringLiteral("/proc/%1/cmdline").arg(pid)).replace('\0', ' ').trimmed()});
    }
    return all;
}

// Every process under `root`, at any depth.
QList<ProcessEntry> descendants(qint64 root)
{
    const QList<ProcessEntry> all = processes();
    QList<ProcessEntry> found;
    QList<qint64> parents{root};
    while (!parents.isEmpty()) {
        const qint64 parent = parents.takeFirst();
        for (const ProcessEntry &entry : all)
            if (entry.parent == parent) {
                found.append(entry);
                parents.append(entry.pid);
            }
    }
    return found;
}

qsizetype countRunning(const QList<ProcessEntry> &entries, const QByteArray &commandLine)
{
    return std::count_if(entries.cbegin(), entries.cend(),
                         [&](const ProcessEntry &entry) { return entry.commandLine == commandLine; });
}

// The current data row's tag as a plain file name.
QString forRow()
{
    return QString::fromUtf8(QTest::currentDataTag()).replace(QRegularExpression("\\W"), "_");
}

// An animated WEBP of two frames, both the picture of the still WEBP `still` (its one chunk
// after the header), on a canvas of `size`.
QByteArray AnimatedWebp(const QByteArray &still, QSize size)
{
    auto little = [](quint32 value, int bytes) {
        QByteArray out;
        for (int i = 0; i < bytes; ++i)
            out += char(value >> (8 * i));
        return out;
    };
    auto chunk = [&little](const char *type, const QByteArray &data) {
        return QByteArray(type, 4) + little(quint32(data.size()), 4) + data + (data.size() % 2 ? QByteArray(1, '\0') : QByteArray());
    };
    const QByteArray frameData = still.mid(12);
    const QByteArray canvas = little(quint32(size.width() - 1), 3) + little(quint32(size.height() - 1), 3);
    const QByteArray frame = chunk("ANMF", little(0, 3) + little(0, 3) + canvas + little(100, 3) + QByteArray(1, '\0') + frameData);
    const QByteArray body = "WEBP" + chunk("VP8X", QByteArray("\x02\0\0\0", 4) + canvas)
                            + chunk("ANIM", little(0xffffffff, 4) + little(0, 2)) + frame + frame;
    return "RIFF" + little(quint32(body.size()), 4) + body;
}

// Starts the command beside the stand-in library with its private folders in `temporary`.
void startStandIn(QProcess &process, const QString &temporary, const QStringList &arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", temporary);
    process.setProcessEnvironment(environment);
    process.start(StandInCommand, arguments);
}

// Makes the stand-in library take `seconds` over `picture`, in a child "sleep" process.
bool makeSlow(const QString &picture, const char *seconds)
{
    QFile slow(picture + ".slow");
    return slow.open(QIODevice::WriteOnly) && slow.write(QByteArray(seconds) + '\n') > 0;
}
} // namespace

class TestConvertCommand : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(TwoFaces) && QFile::exists(OtherPhoto), "the face pictures of tests/data/faces are missing");
        QVERIFY(QFileInfo(Command).isExecutable());
    }

    // Names follow the picture; a taken name gets " (2)"; what was there stays untouched.
    void namesAfterThePicture_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("export") << QStringList{"--action", "export"} << QStringList{} << QStringList{"photo.txt"};
        QTest::newRow("mark, default png") << QStringList{} << QStringList{"photo.jpg"}
                                           << QStringList{"photo.jpg", "photo.png"};
        QTest::newRow("blur jpg, name taken twice")
            << QStringList{"--action", "blur", "--format", "jpg"} << QStringList{"photo.jpg", "photo (2).jpg"}
            << QStringList{"photo (2).jpg", "photo (3).jpg", "photo.jpg"};
        QTest::newRow("save, one face file taken")
            << QStringList{"--action", "save", "--format", "webp"} << QStringList{"photo-face1.webp"}
            << QStringList{"photo-face1 (2).webp", "photo-face1.webp", "photo-face2.webp"};
    }
    void namesAfterThePicture()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, existing);
        QFETCH(QStringList, expected);
        const QString out = dir.filePath(QStringLiteral("names-%1").arg(QTest::currentDataTag()));
        QVERIFY(QDir().mkpath(out));
        for (const QString &name : existing)
            QVERIFY(QFile(out + "/" + name).open(QIODevice::WriteOnly));
        const QString picture = dir.filePath("in/photo.jpg");
        QVERIFY(QFile::exists(picture) || copy(TwoFaces, picture));

        const Result result = run(Command, arguments + QStringList{"--destination", out, picture});
        QVERIFY2(result.exitCode == 0, qPrintable(result.standardError));
        QCOMPARE(entries(out), expected);
        for (const QString &name : existing)
            QCOMPARE(QFileInfo(out + "/" + name).size(), 0); // never overwritten
    }

    // Every picture kind through every action and output format: palette pictures (GIF, a PNG
    // of a full 256-colour palette) become true colour for WEBP and for Mark's red; odd widths
    // give BMP rows with padding; TIFF in every coding, tiled, 16-bit, 1-bit and BigTIFF, and
    // HEIF and AVIF, which GD does not read, are decoded by the library for the scripts.
    void picturesThroughEveryAction_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("format");
        const char *const rows[][2] = {{"mark", "png"}, {"mark", "webp"}, {"mark", "bmp"},
                                       {"blur", "jpg"}, {"save", "webp"}, {"save", "bmp"}};
        for (const auto &row : rows)
            QTest::addRow("%s %s", row[0], row[1]) << row[0] << row[1];
    }
    void picturesThroughEveryAction()
    {
        QFETCH(QString, action);
        QFETCH(QString, format);
        const QString in = dir.filePath("kinds");
        if (!QFile::exists(in + "/palette.gif")) {
            QVERIFY(QDir().mkpath(in));
            // GD makes the palette pictures, as a user's would come from elsewhere.
            const QString make = QStringLiteral(
                "$s = imagecreatefromjpeg('%1'); $t = imagescale($s, 401); imagejpeg($t, '%2/odd.jpg', 95);"
                "$g = imagescale($s, 401); imagetruecolortopalette($g, true, 255); imagegif($g, '%2/palette.gif');"
                "$p = imagescale($s, 401); imagetruecolortopalette($p, false, 256); imagepng($p, '%2/full-palette.png');")
                                     .arg(TwoFaces, in);
            QCOMPARE(QProcess::execute("php", {"-r", make}), 0);
            const QImage odd(in + "/odd.jpg");
            QVERIFY(odd.save(in + "/odd-tiff.png"));
            QVERIFY(odd.convertToFormat(QImage::Format_RGBX64).save(in + "/tiff-16bit.tif"));
            QVERIFY(odd.convertToFormat(QImage::Format_Mono).save(in + "/tiff-1bit.tif"));
            QVERIFY(odd.convertToFormat(QImage::Format_RGB888).save(in + "/source.tif"));
            const QList<QStringList> tiffs{{"-c", "none"}, {"-c", "lzw"}, {"-c", "zip"}, {"-c", "jpeg", "-r", "16"}, {"-c", "packbits"},
                                           {"-t", "-w", "64", "-l", "64", "-c", "zip"}, {"-8", "-c", "lzw"}};
            const QStringList tiffNames{"none", "lzw", "zip", "jpeg", "packbits", "tiled", "bigtiff"};
            for (int i = 0; i < tiffs.size(); ++i)
                QVERIFY2(QProcess::execute("tiffcp", tiffs[i] + QStringList{in + "/source.tif", in + "/tiff-" + tiffNames[i] + ".tif"}) == 0,
                         qPrintable(tiffNames[i]));
            QCOMPARE(QProcess::execute("tiffcp", {"-c", "g4", in + "/tiff-1bit.tif", in + "/tiff-g4.tif"}), 0);
            QVERIFY(QFile::remove(in + "/source.tif"));
            QCOMPARE(QProcess::execute("heif-enc", {"-q", "90", "-o", in + "/phone.heic", in + "/odd-tiff.png"}), 0);
            QCOMPARE(QProcess::execute("heif-enc", {"-A", "-q", "90", "-o", in + "/phone.avif", in + "/odd-tiff.png"}), 0);
            QVERIFY(QFile::remove(in + "/odd-tiff.png"));
            // GD reads no animated WEBP: the library gives its first frame.
            QCOMPARE(QProcess::execute("php", {"-r", QStringLiteral("imagewebp(imagecreatefromjpeg('%1/odd.jpg'), '%1/still.webp', 95);").arg(in)}), 0);
            QFile animated(in + "/animated.webp");
            QVERIFY(animated.open(QIODevice::WriteOnly) && animated.write(AnimatedWebp(readAll(in + "/still.webp"), odd.size())) > 0);
            animated.close();
            QVERIFY(QFile::remove(in + "/still.webp"));
        }
        const QString out = dir.filePath(QStringLiteral("kinds-%1-%2").arg(action, format));
        // A folder gives no WEBP (not a format of the list); named, it is taken.
        const Result result = run(Command, {"--action", action, "--format", format, "--jobs", "2", "--destination", out, in,
                                            in + "/animated.webp"});
        QVERIFY2(result.exitCode == 0, qPrintable(result.standardError));
        const QStringList stems{"odd", "palette", "full-palette", "tiff-16bit", "tiff-1bit", "tiff-g4", "tiff-none", "tiff-lzw",
                                "tiff-zip", "tiff-jpeg", "tiff-packbits", "tiff-tiled", "tiff-bigtiff", "phone", "animated"};
        for (const QString &stem : stems) {
            const QStringList written = entries(out).filter(QRegularExpression(QStringLiteral("^%1([.-]| \\()").arg(stem)));
            const bool bilevel = stem.endsWith("1bit") || stem.endsWith("g4"); // dithered: no faces found
            if (!(bilevel && action == "save"))
                QVERIFY2(written.size() >= (stem == "phone" ? 2 : 1), qPrintable(stem)); // HEIC and AVIF
            for (const QString &name : written)
                QVERIFY2(!QImage(out + "/" + name).isNull(), qPrintable(name));
            if (action == "mark" && format != "webp" && !bilevel) { // the boxes are pure red
                const QImage marked = QImage(out + "/" + written.first()).convertToFormat(QImage::Format_RGB32);
                bool red = false;
                for (int y = 0; y < marked.height() && !red; ++y)
                    for (int x = 0; x < marked.width() && !red; ++x)
                        red = marked.pixel(x, y) == qRgb(255, 0, 0);
                QVERIFY2(red, qPrintable(stem));
            }
        }
    }

    // Two jobs give exactly what one job gives, also for two pictures with the same name
    // racing for it: the second in the list gets " (2)".
    void twoJobsWriteWhatOneJobWrites()
    {
        QStringList pictures;
        for (const char *folder : {"a", "b"}) {
            pictures << dir.filePath(QStringLiteral("same/%1/photo.jpg").arg(folder));
            QVERIFY(copy(QByteArray(folder) == "a" ? TwoFaces : OtherPhoto, pictures.last()));
        }
        pictures << dir.filePath("same/c/other.jpg");
        QVERIFY(copy(TwoFaces, pictures.last()));

        QMap<QString, QByteArray> written[2];
        for (int jobs = 1; jobs <= 2; ++jobs) {
            const QString out = dir.filePath(QStringLiteral("jobs%1").arg(jobs));
            const Result result =
                run(Command, QStringList{"--jobs", QString::number(jobs), "--destination", out} + pictures);
            QVERIFY2(result.exitCode == 0, qPrintable(result.standardError));
            for (const QString &name : entries(out))
                written[jobs - 1][name] = readAll(out + "/" + name);
        }
        QCOMPARE(written[0].keys(), (QStringList{"other.png", "photo (2).png", "photo.png"}));
        QCOMPARE(QImage(dir.filePath("jobs1/photo.png")).size(), QImage(pictures[0]).size());
        QCOMPARE(QImage(dir.filePath("jobs1/photo (2).png")).size(), QImage(pictures[1]).size());
        QVERIFY(written[0] == written[1]);
    }

    // A folder gives its pictures as Add Folder does; a broken picture fails, is named with its
    // reason, and leaves nothing behind, while the others are written.
    void folderWithABrokenPicture()
    {
        const QString in = dir.filePath("folder");
        QVERIFY(copy(TwoFaces, in + "/good.jpg"));
        QVERIFY(copy(OtherPhoto, in + "/second.JPEG"));
        QByteArray png; // a PNG cut short
        QBuffer buffer(&png);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && QImage(TwoFaces).save(&buffer, "PNG"));
        QFile broken(in + "/broken.png");
        QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write(png.left(png.size() / 2)) == png.size() / 2);
        broken.close();
        QVERIFY(QFile(in + "/notes.txt").open(QIODevice::WriteOnly));
        QVERIFY(copy(TwoFaces, in + "/sub/inner.jpg"));
        const QString out = dir.filePath("folder-out");
        const QString temporary = dir.filePath("folder-tmp");
        QVERIFY(QDir().mkpath(temporary));

        const Result result = run(Command, {"--action", "blur", "--jobs", "2", "--destination", out, in}, temporary);
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(entries(out), (QStringList{"good.png", "second.png"}));
        const QStringList lines = result.standardError.split('\n', Qt::SkipEmptyParts);
        QVERIFY2(lines.filter(QRegularExpression("^mirelon-convert: " + QRegularExpression::escape(in + "/broken.png") + ": \\S"))
                         .size() == 1,
                 qPrintable(result.standardError));
        QVERIFY2(lines.filter(QRegularExpression("^\\[\\d/3\\] .*good.jpg -> .*good.png$")).size() == 1,
                 qPrintable(result.standardError));
        QVERIFY2(lines.last().contains("1 of 3 pictures failed"), qPrintable(result.standardError));
        QCOMPARE(entries(temporary), QStringList{}); // the private folder is gone
        // The reason is one line a user reads: no place in our library or scripts.
        QVERIFY2(!result.standardError.contains(".php") && !result.standardError.contains(temporary),
                 qPrintable(result.standardError));

        // --verbose adds the script's full output under the reason.
        const Result verbose = run(Command, {"--verbose", "--action", "export", "--destination", out + "-v", in + "/broken.png"});
        QCOMPARE(verbose.exitCode, 1);
        QVERIFY2(verbose.standardError.contains("\n    PHP Fatal error:") && verbose.standardError.contains("FaceDetector.php"),
                 qPrintable(verbose.standardError));
    }

    // A destination that takes no file ends the command with one line before any picture is
    // searched (the stand-in library leaves a mark for every search).
    void readOnlyDestination()
    {
        if (::geteuid() != 0)
            QSKIP("a read-only mount needs root");
        const QString in = dir.filePath("ro-in");
        const QString readOnly = dir.filePath("ro");
        QVERIFY(QDir().mkpath(in) && QDir().mkpath(readOnly));
        QVERIFY(QImage(16, 16, QImage::Format_RGB32).save(in + "/a.png"));
        QFile slow(in + "/a.png.slow");
        QVERIFY(slow.open(QIODevice::WriteOnly) && slow.write("0\n" + (in + "/searched").toUtf8() + "\n") > 0);
        slow.close();
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "ro,size=64k", "tmpfs", readOnly}) != 0)
            QSKIP("cannot mount a read-only file system here");
        const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {readOnly}); });
        const Result result = run(StandInCommand, {"--destination", readOnly, in});
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.standardError, "mirelon-convert: Cannot write to the folder \"" + readOnly + "\": Read-only file system\n");
        QVERIFY(!QFile::exists(in + "/searched"));
    }

    // On a terminal the progress is one line redrawn in place, and the pictures get no lines.
    void progressOnATerminal()
    {
        QVERIFY2(!QStandardPaths::findExecutable("script").isEmpty(), "script (bsdutils) is not installed");
        const QString out = dir.filePath("terminal-out");
        QProcess terminal; // script runs the command with a pseudo-terminal as its standard error
        terminal.start("script", {"-qec", ShellQuoted(Command) + " --action export --destination " + ShellQuoted(out) + " "
                                                + ShellQuoted(TwoFaces) + " " + ShellQuoted(OtherPhoto),
                                  "/dev/null"});
        QVERIFY(terminal.waitForFinished(120000));
        QCOMPARE(terminal.exitCode(), 0);
        const QString shown = QString::fromUtf8(terminal.readAllStandardOutput());
        QVERIFY2(shown.contains("\r\033[K2 of 2 done"), qPrintable(shown));
        QVERIFY2(!shown.contains("[1/2]") && !shown.contains("[2/2]"), qPrintable(shown));
        QCOMPARE(entries(out), (QStringList{"2008_001009.txt", "2008_001322.txt"}));
    }

    void badUsage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown action") << QStringList{"--action", "paint", "--destination", "o", TwoFaces} << "unknown action";
        QTest::newRow("missing destination") << QStringList{TwoFaces} << "missing destination";
        QTest::newRow("no paths") << QStringList{"--destination", "o"} << "no pictures";
        QTest::newRow("unknown short option") << QStringList{"-x", "-d", "o", TwoFaces} << "unknown option \"-x\"";
        QTest::newRow("cover out of range") << QStringList{"-c", "11", "-d", "o", TwoFaces} << "--cover-seconds takes seconds from 0 to 10";
    }
    void badUsage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const QString empty = dir.filePath("empty");
        QVERIFY(QDir().mkpath(empty));
        arguments.replaceInStrings(QRegularExpression("^EMPTY$"), empty);
        arguments.replaceInStrings(QRegularExpression("^o$"), dir.filePath("usage-out"));
        const Result result = run(Command, arguments);
        QCOMPARE(result.exitCode, 2);
        QVERIFY2(result.standardError.startsWith("mirelon-convert: ") && result.standardError.count('\n') == 1
                     && result.standardError.contains(message),
                 qPrintable(result.standardError));
        QVERIFY(!QFileInfo::exists(dir.filePath("usage-out")));
    }

    void missingPathFailsTheRestGoesOn()
    {
        const QString out = dir.filePath("missing-out");
        const Result result = run(Command, {"--action", "export", "--destination", out, dir.filePath("nowhere.jpg"), TwoFaces});
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.standardError.contains("nowhere.jpg: no such file or folder"), qPrintable(result.standardError));
        QCOMPARE(entries(out), QStringList{"2008_001009.txt"});
    }

    void helpAndVersion_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("start");
        QTest::newRow("-h") << "-h" << "Usage: mirelon-convert ";
        QTest::newRow("--help") << "--help" << "Usage: mirelon-convert ";
        QTest::newRow("-V") << "-V" << "mirelon-convert " MIRELON_VERSION "\n";
        QTest::newRow("--version") << "--version" << "mirelon-convert " MIRELON_VERSION "\n";
    }
    void helpAndVersion()
    {
        QFETCH(QString, option);
        QFETCH(QString, start);
        const Result result = run(Command, {option});
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(result.standardOutput.startsWith(start.toUtf8()), result.standardOutput.constData());
        QCOMPARE(result.standardError, QString());
    }

    // Pictures named on standard input or in a list file, with names a shell or a line-based
    // reader would break: each is converted, and each output's path is printed on standard
    // output, in the pictures' order, ready for the next program.
    void picturesFromAList_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("nul");
        QTest::addColumn<bool>("listFile");
        QTest::newRow("standard input, lines") << QStringList{"-"} << false << false;
        QTest::newRow("standard input, -0") << QStringList{"-0", "-"} << true << false;
        QTest::newRow("--files-from, -0") << QStringList{"--null", "--files-from", "LIST"} << true << true;
        QTest::newRow("--files-from=-") << QStringList{"--files-from=-"} << false << false;
    }
    void picturesFromAList()
    {
        QFETCH(QStringList, options);
        QFETCH(bool, nul);
        QFETCH(bool, listFile);
        const QString in = dir.filePath("list-in-" + forRow());
        QStringList names{"two  blanks.jpg", "-leading dash.jpg", "--action.jpg", " lead.jpg"};
        if (nul)
            names << "new\nline.jpg";
        QByteArray list;
        for (const QString &name : names) {
            QVERIFY(copy(TwoFaces, in + "/" + name));
            list += (in + "/" + name).toUtf8() + (nul ? '\0' : '\n');
        }
        const QString listPath = in + ".list";
        if (listFile) {
            QFile file(listPath);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(list) == list.size());
        }
        options.replaceInStrings(QRegularExpression("^LIST$"), listPath);
        const QString out = in + "-out";

        const Result result = run(Command, QStringList{"-a", "export", "-j", "2", "-d", out} + options, QString(),
                                  listFile ? QByteArray() : list);
        QVERIFY2(result.exitCode == 0, qPrintable(result.standardError));
        QByteArray expected;
        for (const QString &name : names)
            expected += (out + "/" + QFileInfo(name).completeBaseName() + ".txt").toUtf8() + (nul ? '\0' : '\n');
        QCOMPARE(result.standardOutput, expected);
        for (const QString &name : names)
            QCOMPARE(readAll(out + "/" + QFileInfo(name).completeBaseName() + ".txt").count('\n'), 2);
        QVERIFY2(!result.standardError.contains("mirelon-convert:"), qPrintable(result.standardError));
    }

    // What reaches standard error: --quiet leaves only failures; the count agrees with its
    // number. Standard output lists only what was written.
    void messages_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("good");
        QTest::addColumn<QString>("expected"); // a pattern of standard error
        const QString failed = "^mirelon-convert: PICTURE: [^\n]+\n%1mirelon-convert: 1 of 1 picture failed\n$";
        QTest::newRow("one failed of one") << QStringList{} << false << failed.arg("");
        QTest::newRow("quiet, all done") << QStringList{"-q"} << true << "^$";
        QTest::newRow("quiet, one failed") << QStringList{"--quiet"} << false << failed.arg("");
    }
    void messages()
    {
        QFETCH(QStringList, options);
        QFETCH(bool, good);
        QFETCH(QString, expected);
        const QString picture = dir.filePath("messages-" + forRow() + ".png");
        if (good)
            QVERIFY(copy(TwoFaces, picture));
        else
            QVERIFY(QFile(picture).open(QIODevice::WriteOnly) && QFile(picture).resize(100));
        const QString out = dir.filePath("messages-out");
        const Result result = run(Command, options + QStringList{"-a", "export", "-d", out, picture});
        QCOMPARE(result.exitCode, good ? 0 : 1);
        QCOMPARE(result.standardOutput.isEmpty(), !good);
        const QString shown = QString(result.standardError).replace(picture, "PICTURE");
        QVERIFY2(QRegularExpression(expected).match(shown).hasMatch(), qPrintable(shown));
    }

    // Folders that exist but hold no picture (an empty drop folder of a nightly job): nothing to
    // do is no failure, and the destination is not made. A missing one is a failure.
    void foldersWithoutPictures_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("empty folder") << QStringList{"EMPTY"} << QByteArray() << 0;
        QTest::newRow("empty list on standard input") << QStringList{"-"} << QByteArray() << 0;
        QTest::newRow("empty list, -0") << QStringList{"-0", "-"} << QByteArray() << 0;
        QTest::newRow("missing folder") << QStringList{"EMPTY/nowhere"} << QByteArray() << 1;
        QTest::newRow("missing list") << QStringList{"--files-from", "EMPTY/nowhere.txt"} << QByteArray() << 1;
        QTest::newRow("listed name not UTF-8") << QStringList{"-"} << QByteArray("\xff.jpg\n") << 1;
    }
    void foldersWithoutPictures()
    {
        QFETCH(QStringList, paths);
        QFETCH(QByteArray, input);
        QFETCH(int, exitCode);
        const QString empty = dir.filePath("empty");
        QVERIFY(QDir().mkpath(empty));
        QVERIFY(QFile(empty + "/notes.txt").open(QIODevice::WriteOnly));
        paths.replaceInStrings(QRegularExpression("^EMPTY"), empty);
        const QString out = dir.filePath("nothing-out");
        const Result result = run(Command, QStringList{"-d", out} + paths, QString(), input);
        QCOMPARE(result.exitCode, exitCode);
        QVERIFY2(result.standardError.startsWith("mirelon-convert: ") && result.standardError.count('\n') == 1,
                 qPrintable(result.standardError));
        QCOMPARE(result.standardOutput, QByteArray());
        QVERIFY(!QFileInfo::exists(out));
    }

    // SIGTERM and Ctrl+C in the middle: the slow pictures' processes (PHP and the child under
    // it) are ended, nothing of theirs is left, the finished picture is kept.
    void stopInTheMiddle_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("SIGTERM") << SIGTERM << 143;
        QTest::newRow("SIGINT") << SIGINT << 130;
    }
    void stopInTheMiddle()
    {
        QFETCH(int, signalNumber);
        QFETCH(int, exitCode);
        const QString in = dir.filePath(QStringLiteral("stop-%1").arg(signalNumber));
        const QImage picture = QImage(32, 32, QImage::Format_RGB32);
        for (const char *name : {"done.png", "slow1.png", "slow2.png"})
            QVERIFY((QDir().mkpath(in) && picture.save(in + "/" + name)));
        QVERIFY(makeSlow(in + "/slow1.png", "62.5") && makeSlow(in + "/slow2.png", "62.5"));
        const QString out = in + "-out";
        const QString temporary = in + "-tmp";
        QVERIFY(QDir().mkpath(temporary));

        QProcess process;
        startStandIn(process, temporary, {"--jobs", "2", "--destination", out, in + "/done.png", in + "/slow1.png", in + "/slow2.png"});
        // Both slow pictures are in their library's child process: the shell, PHP and the child
        // of each are under the command.
        QList<ProcessEntry> children;
        QTRY_VERIFY_WITH_TIMEOUT(countRunning(children = descendants(process.processId()), "sleep 62.5") == 2, 20000);
        ::kill(qint64(process.processId()), signalNumber);
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), exitCode);
        QVERIFY(children.size() >= 4);
        for (const ProcessEntry &child : children)
            QTRY_VERIFY2_WITH_TIMEOUT(!processAlive(child.pid), child.commandLine.constData(), 2000);
        QCOMPARE(entries(out), QStringList{"done.png"});
        QCOMPARE(entries(temporary), QStringList{});
        QVERIFY(QString::fromUtf8(process.readAllStandardError()).contains("stopped"));
    }

    // A picture whose name is near the longest a file name can be: its face files and a second
    // output of the same name still get names that fit.
    void longestNames()
    {
        const QString picture = dir.filePath("long/" + QString(250, 'n') + ".jpg");
        QVERIFY(copy(TwoFaces, picture));
        const QString out = dir.filePath("long-out");
        for (int round = 0; round < 2; ++round) {
            const Result result = run(Command, {"--action", "save", "--format", "webp", "--destination", out, picture});
            QVERIFY2(result.exitCode == 0, qPrintable(result.standardError));
        }
        const QStringList names = entries(out);
        QCOMPARE(names.size(), 4);
        for (const QString &name : names)
            QVERIFY2(name.toUtf8().size() <= 255 && name.startsWith(QString(223, 'n') + "-face"), qPrintable(name));
    }

    // SIGKILL, which the command cannot catch: every process of its jobs ends within seconds all
    // the same, and the private folder it leaves is removed by the next start.
    void killedOutright()
    {
        const QString in = dir.filePath("killed");
        QVERIFY(QDir().mkpath(in));
        for (const char *name : {"slow1.png", "slow2.png"})
            QVERIFY(QImage(32, 32, QImage::Format_RGB32).save(in + "/" + name));
        QVERIFY(makeSlow(in + "/slow1.png", "63.5") && makeSlow(in + "/slow2.png", "63.5"));
        const QString temporary = in + "-tmp";
        QVERIFY(QDir().mkpath(temporary));

        QProcess process;
        startStandIn(process, temporary, {"--jobs", "2", "--destination", in + "-out", in + "/slow1.png", in + "/slow2.png"});
        QList<ProcessEntry> children;
        QTRY_VERIFY_WITH_TIMEOUT(countRunning(children = descendants(process.processId()), "sleep 63.5") == 2, 20000);
        ::kill(qint64(process.processId()), SIGKILL);
        QVERIFY(process.waitForFinished(5000));
        for (const ProcessEntry &child : children)
            QTRY_VERIFY2_WITH_TIMEOUT(!processAlive(child.pid), child.commandLine.constData(), 5000);
        QCOMPARE(entries(temporary).size(), 1); // the killed run's private folder

        const Result next = run(StandInCommand, {"--action", "export", "--destination", in + "-next", TwoFaces}, temporary);
        QVERIFY2(next.exitCode == 0, qPrintable(next.standardError));
        QCOMPARE(entries(temporary), QStringList{});
    }

    // The README's recipe for several hosts, with this machine as the only host (":").
    void gnuParallelRecipe()
    {
        QVERIFY2(!QStandardPaths::findExecutable("parallel").isEmpty(), "GNU parallel is not installed");
        QStringList pictures;
        for (const char *name : {"one.jpg", "two with blank.jpg", "three's.jpg"}) {
            pictures << dir.filePath(QStringLiteral("parallel-in/") + name);
            QVERIFY(copy(TwoFaces, pictures.last()));
        }
        QFile list(dir.filePath("pictures.txt"));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write((pictures.join('\n') + '\n').toUtf8());
        list.close();
        const QString out = dir.filePath("parallel-out");

        QProcess parallel;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", dir.path()); // parallel keeps its state under $HOME
        parallel.setProcessEnvironment(environment);
        parallel.setStandardInputFile(QProcess::nullDevice());
        parallel.start("parallel", {"--sshlogin", "1/:", "-N", "2", Command, "--action", "export", "--destination",
                                    out, "::::", list.fileName()});
        QVERIFY(parallel.waitForFinished(120000));
        QVERIFY2(parallel.exitCode() == 0, parallel.readAllStandardError().constData());
        QCOMPARE(entries(out), (QStringList{"one.txt", "three's.txt", "two with blank.txt"}));
        QCOMPARE(readAll(out + "/one.txt").count('\n'), 2); // both faces
    }

    void timeLimit()
    {
        const QString in = dir.filePath("limit");
        QVERIFY(QDir().mkpath(in));
        QVERIFY(QImage(16, 16, QImage::Format_RGB32).save(in + "/slow.png"));
        QVERIFY(makeSlow(in + "/slow.png", "63.5"));
        const QString out = dir.filePath("limit-out");
        QElapsedTimer timer;
        timer.start();
        const Result result = run(StandInCommand, {"--time-limit", "1", "--destination", out, in + "/slow.png"});
        QCOMPARE(result.exitCode, 1);
        QVERIFY(timer.elapsed() < 10000);
        QVERIFY2(result.standardError.contains(in + "/slow.png: "), qPrintable(result.standardError));
        QVERIFY(!QFileInfo::exists(out + "/slow.png"));
        QTRY_COMPARE_WITH_TIMEOUT(countRunning(processes(), "sleep 63.5"), qsizetype(0), 2000);
    }
};

QTEST_GUILESS_MAIN(TestConvertCommand)
#include "tst_convertcommand.moc"
