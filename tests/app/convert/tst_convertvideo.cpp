// mirelon-convert with videos: found by content, named after the video with its own extension,
// --format for pictures only, frames as progress, the temporal cover's seconds, Save Faces
// refused, a damaged video failing alone, and SIGTERM mid-video leaving nothing behind.
#include "tests/video/VideoClips.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace videoclips;

namespace {
const QString Command = QStringLiteral(MIRELON_BINARY_DIR "/mirelon-convert");

struct Result {
    int exitCode = -1;
    QString standardError;
};

Result Convert(const QStringList &arguments, const QString &temporaryFolder)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), temporaryFolder);
    process.setProcessEnvironment(environment);
    process.start(Command, arguments);
    if (!process.waitForFinished(300000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

class TestConvertVideo : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString clip; // 2 s MP4, 50 frames

private slots:
    void initTestCase()
    {
        clip = dir.filePath("clip.mp4");
        QVERIFY(MakePanningClip(clip, 2, {"-c:v", "libx264", "-c:a", "aac"}));
    }

    // A video named .bin is a video still; --format does not touch it; Export writes text.
    void videosByContent_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("output");
        QTest::newRow("blur") << "blur" << "holiday.mp4" << "holiday.mp4";
        QTest::newRow("mark, odd extension") << "mark" << "holiday.bin" << "holiday.bin";
        QTest::newRow("export") << "export" << "holiday.mkv" << "holiday.txt";
    }
    void videosByContent()
    {
        QFETCH(QString, action);
        QFETCH(QString, name);
        QFETCH(QString, output);
        const QString in = dir.filePath("in-" + action), out = dir.filePath("out-" + action), temporary = dir.filePath("tmp-" + action);
        QVERIFY(QDir().mkpath(in) && QDir().mkpath(temporary));
        QVERIFY(QFile::copy(clip, in + "/" + name));
        QVERIFY(QFile::copy(FacesPicture, in + "/photo.jpg"));
        const Result result = Convert({"--action", action, "--format", "webp", "--destination", out, in + "/" + name, in + "/photo.jpg"},
                                      temporary);
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(result.standardError.contains(name + ": frame 50 of 50"), qPrintable(result.standardError));
        const QString picture = action == "export" ? "photo.txt" : "photo.webp";
        QCOMPARE(FolderEntries(out), (QStringList{output, picture}));
        if (action != "export")
            QCOMPARE(FrameTimes(out + "/" + output), FrameTimes(clip));
        else
            QVERIFY(QFile(out + "/" + output).size() > 0);
        QCOMPARE(FolderEntries(temporary), QStringList());
    }

    // A clip showing the faces for 1 s, then black for 1 s: the faces found in the last frames
    // before the black stay covered into it for as long as --cover-seconds says.
    void coverSecondsReachTheVideo_data()
    {
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<int>("lastFrameFrom");
        QTest::addColumn<int>("lastFrameTo");
        QTest::newRow("none") << "0" << 20 << 25;
        QTest::newRow("default") << "" << 26 << 30;
        QTest::newRow("one second") << "1" << 45 << 50;
    }
    void coverSecondsReachTheVideo()
    {
        QFETCH(QString, seconds);
        QFETCH(int, lastFrameFrom);
        QFETCH(int, lastFrameTo);
        const QString cut = dir.filePath("cut.mp4"), out = dir.filePath("out-cover-" + seconds), temporary = dir.filePath("tmp-cover");
        QVERIFY(QDir().mkpath(temporary));
        if (!QFileInfo::exists(cut))
            QVERIFY(Run("ffmpeg", {"-hide_banner", "-loglevel", "error", "-loop", "1", "-i", FacesPicture, "-vf",
                                   "scale=256:-2,crop=256:192,drawbox=color=black:t=fill:enable='gte(t,1)'", "-t", "2", "-r", "25",
                                   "-c:v", "libx264", "-pix_fmt", "yuv420p", cut}));
        QStringList arguments{"--action", "export", "--destination", out, cut};
        if (!seconds.isEmpty())
            arguments = QStringList{"--cover-seconds", seconds} + arguments;
        const Result result = Convert(arguments, temporary);
        QCOMPARE(result.exitCode, 0);
        QFile text(out + "/cut.txt");
        QVERIFY(text.open(QIODevice::ReadOnly));
        int lastFrame = 0;
        static const QRegularExpression frame("^frame: (\\d+),", QRegularExpression::MultilineOption);
        for (QRegularExpressionMatchIterator it = frame.globalMatch(QString::fromUtf8(text.readAll())); it.hasNext();)
            lastFrame = std::max(lastFrame, it.next().captured(1).toInt());
        QVERIFY2(lastFrame >= lastFrameFrom && lastFrame <= lastFrameTo, qPrintable(QString::number(lastFrame)));
    }

    // Save Faces and a damaged video fail with one line each; the picture after them is done.
    void failuresAreOneLineTheRunGoesOn()
    {
        const QString in = dir.filePath("in-fail"), out = dir.filePath("out-fail"), temporary = dir.filePath("tmp-fail");
        QVERIFY(QDir().mkpath(in) && QDir().mkpath(temporary));
        QFile::copy(clip, in + "/a.mp4");
        QFile cut(in + "/b.mp4");
        QVERIFY(QFile::copy(clip, cut.fileName()) && cut.resize(cut.size() / 2));
        QVERIFY(QFile::copy(FacesPicture, in + "/c.jpg"));

        Result result = Convert({"--action", "blur", "--destination", out, in + "/b.mp4", in + "/c.jpg"}, temporary);
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.standardError.contains("mirelon-convert: " + in + "/b.mp4: the video is damaged or cut short\n", Qt::CaseInsensitive),
                 qPrintable(result.standardError));
        QCOMPARE(FolderEntries(out), QStringList{"c.png"});

        result = Convert({"--action", "save", "--destination", out, in + "/a.mp4"}, temporary);
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.standardError.contains("mirelon-convert: " + in + "/a.mp4: Save Faces as Separate Images does not take videos", Qt::CaseInsensitive),
                 qPrintable(result.standardError));
        QCOMPARE(FolderEntries(out), QStringList{"c.png"});
        QCOMPARE(FolderEntries(temporary), QStringList());
    }

    void sigtermMidVideoLeavesNothing()
    {
        const QString in = dir.filePath("long.mkv"), out = dir.filePath("out-stop"), temporary = dir.filePath("tmp-stop");
        QVERIFY(QDir().mkpath(temporary));
        QVERIFY(MakePanningClip(in, 30, {"-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac"}));
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TMPDIR", temporary);
        process.setProcessEnvironment(environment);
        process.start(Command, {"--action", "blur", "--destination", out, in});
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += process.readAllStandardError()).contains("long.mkv: frame"), 60000);
        ::kill(qint64(process.processId()), SIGTERM);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 143);
        QCOMPARE(FolderEntries(out), QStringList());
        QCOMPARE(FolderEntries(temporary), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestConvertVideo)
#include "tst_convertvideo.moc"
