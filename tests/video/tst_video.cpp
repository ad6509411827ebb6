// Video: the temporal cover, turned frames, and whole clips through the real engine and the
// FFmpeg libraries: containers, codecs, timestamps, streams and metadata kept or dropped, faces
// covered, damaged clips and stops leaving nothing behind.
#include "tests/video/VideoClips.h"
#include "video/FrameMotion.h"
#include "video/FrameOrientation.h"
#include "video/TemporalCover.h"
#include "video/VideoProcessing.h"
#include "video/tool/EngineFaces.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <opencv2/imgproc.hpp>

#include <csignal>

using namespace mirelon::video;
using namespace videoclips;

namespace {

const QString Model = QStringLiteral(MIRELON_BINARY_DIR "/yunet_n_640_640.onnx");
const QString Program = QStringLiteral(MIRELON_BINARY_DIR "/mirelon-video");

using FacesPerFrame = std::vector<std::vector<FaceBox>>;

// Export's lines read back: the faces of each frame, frames counted from 1.
FacesPerFrame ReadExport(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression line(
        QStringLiteral(R"(^frame: (\d+), time: (\d+\.\d{3}), x: (-?\d+), y: (-?\d+), width: (\d+), height: (\d+)$)"));
    FacesPerFrame faces;
    for (const QByteArray &text : file.readAll().split('\n')) {
        if (text.isEmpty())
            continue;
        const QRegularExpressionMatch match = line.match(QString::fromUtf8(text));
        if (!match.hasMatch())
            return {};
        const size_t frame = match.captured(1).toULongLong();
        faces.resize(std::max(faces.size(), frame));
        faces[frame - 1].push_back({match.captured(3).toInt(), match.captured(4).toInt(), match.captured(5).toInt(), match.captured(6).toInt()});
    }
    return faces;
}

// The faces the engine finds in each frame, without the temporal cover.
FacesPerFrame FacesIn(const QString &clip, const QString &scratch)
{
    VideoSettings settings;
    settings.action = VideoAction::Export;
    settings.coverSeconds = 0;
    ProcessVideo(clip.toStdString(), scratch.toStdString(), settings, EngineFaces(Model.toStdString()), {});
    return ReadExport(scratch);
}

// Faces of `after` that are faces of `before` found again (IoU above 0.5), over all frames.
int FoundAgain(const FacesPerFrame &before, const FacesPerFrame &after)
{
    int again = 0;
    for (size_t frame = 0; frame < std::min(before.size(), after.size()); ++frame)
        for (const FaceBox &face : after[frame])
            for (const FaceBox &original : before[frame])
                again += IoU(face, original) > 0.5;
    return again;
}

size_t FaceCount(const FacesPerFrame &faces)
{
    size_t count = 0;
    for (const auto &frame : faces)
        count += frame.size();
    return count;
}

QStringList FilesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class TestVideo : public QObject {
    Q_OBJECT

private slots:
    void temporalCover_data();
    void temporalCover();
    void amendedFacesAreCarried();
    void reachInFrames();
    void cameraMotion_data();
    void cameraMotion();
    void turnedFrames_data();
    void turnedFrames();
    void containers_data();
    void containers();
    void rotationHonoured();
    void damagedClipsLeaveNothing_data();
    void damagedClipsLeaveNothing();
    void stopMidClipLeavesNothing();
};

// Frames written as a string: 'A' a face found at the left, 'B' the same face a little to the
// right, 'C' another face far away, '.' nothing found; 'D' and 'E' are A where a camera moving
// 30 and 60 pixels to the left takes it, 'F' A after a move of 8. The expected cover lists, per
// frame, the letters of the boxes covering it. Shifts: the content's move per frame, if any.
void TestVideo::temporalCover_data()
{
    QTest::addColumn<QString>("found");
    QTest::addColumn<int>("reach");
    QTest::addColumn<QStringList>("covered");
    QTest::addColumn<QList<int>>("shifts");
    QTest::newRow("a miss between finds is covered") << "A.A" << 1 << QStringList{"A", "A", "A"} << QList<int>{};
    QTest::newRow("reach ends the cover") << "A..." << 1 << QStringList{"A", "A", "", ""} << QList<int>{};
    QTest::newRow("a face covered before it is found") << "..A" << 2 << QStringList{"A", "A", "A"} << QList<int>{};
    QTest::newRow("the nearest frame's position") << "A..B" << 2 << QStringList{"A", "A", "B", "B"} << QList<int>{};
    QTest::newRow("earlier frame on a tie") << "A.B" << 1 << QStringList{"A", "A", "B"} << QList<int>{};
    QTest::newRow("own find wins over neighbours") << "ABA" << 1 << QStringList{"A", "B", "A"} << QList<int>{};
    QTest::newRow("different faces both carried") << "A.C" << 1 << QStringList{"A", "AC", "C"} << QList<int>{};
    QTest::newRow("no reach: frames alone") << "A.C" << 0 << QStringList{"A", "", "C"} << QList<int>{};
    QTest::newRow("carried with the camera, and where found") << "A.." << 2 << QStringList{"A", "DA", "EA"} << QList<int>{0, 30, 60};
    QTest::newRow("carried back against the camera") << "..E" << 2 << QStringList{"AE", "DE", "E"} << QList<int>{0, 30, 60};
    QTest::newRow("a small move: moved only") << "A." << 1 << QStringList{"A", "F"} << QList<int>{0, 8};
}

void TestVideo::temporalCover()
{
    QFETCH(QString, found);
    QFETCH(int, reach);
    QFETCH(QStringList, covered);
    QFETCH(QList<int>, shifts);
    const std::map<QChar, FaceBox> boxes{{'A', {10, 10, 40, 40}}, {'B', {14, 10, 40, 40}}, {'C', {200, 10, 40, 40}},
                                         {'D', {40, 10, 40, 40}}, {'E', {70, 10, 40, 40}}, {'F', {18, 10, 40, 40}}};
    TemporalCover cover(reach);
    QStringList got;
    const auto takeReady = [&] {
        while (std::optional<std::vector<FaceBox>> faces = cover.take()) {
            QString letters;
            for (const FaceBox &face : *faces)
                for (const auto &[letter, box] : boxes)
                    if (box == face)
                        letters += letter;
            got << letters;
        }
    };
    for (qsizetype i = 0; i < found.size(); ++i) {
        const QChar frame = found[i];
        cover.add(frame == '.' ? std::vector<FaceBox>{} : std::vector<FaceBox>{boxes.at(frame)}, cv::Point2d(shifts.value(i), 0));
        takeReady();
    }
    QCOMPARE(got.size(), qMax(0, int(found.size()) - reach)); // a frame waits for `reach` later ones
    cover.finish();
    takeReady();
    QCOMPARE(got, covered);
}

// Faces found later for a frame still held (the last frames, searched whole at the end) are
// covered there and carried to the frames around it; a frame already taken is left alone.
void TestVideo::amendedFacesAreCarried()
{
    const FaceBox a{10, 10, 40, 40}, c{200, 10, 40, 40};
    TemporalCover cover(1);
    cover.add({a});
    cover.add({});
    cover.add({});
    QCOMPARE(cover.take(), std::optional(std::vector<FaceBox>{a}));
    cover.amend(0, {c}); // taken already
    cover.amend(2, {c});
    cover.finish();
    QCOMPARE(cover.take(), std::optional(std::vector<FaceBox>{a, c}));
    QCOMPARE(cover.take(), std::optional(std::vector<FaceBox>{c}));
    QCOMPARE(cover.take(), std::nullopt);
}

void TestVideo::reachInFrames()
{
    QCOMPARE(ReachInFrames(0.2, 25), 5);
    QCOMPARE(ReachInFrames(0.2, 29.97), 6);
    QCOMPARE(ReachInFrames(0, 25), 0);
    QCOMPARE(ReachInFrames(0.2, 0), 0); // a rate the container does not give: no reach
}

// Frames cut from a picture by a window moving (dx, dy) pixels a frame: the content moves the
// other way, and FrameMotion follows it within a pixel and a half. Blank frames do not move.
void TestVideo::cameraMotion_data()
{
    QTest::addColumn<int>("dx");
    QTest::addColumn<int>("dy");
    QTest::addColumn<bool>("blank");
    QTest::newRow("still") << 0 << 0 << false;
    QTest::newRow("pan right") << 5 << 0 << false;
    QTest::newRow("tilt and pan") << -3 << 4 << false;
    QTest::newRow("fast diagonal") << 12 << -7 << false;
    QTest::newRow("blank frames") << 5 << 0 << true;
}

void TestVideo::cameraMotion()
{
    QFETCH(int, dx);
    QFETCH(int, dy);
    QFETCH(bool, blank);
    const QImage picture = QImage(FacesPicture).convertToFormat(QImage::Format_RGB888);
    QVERIFY(!picture.isNull());
    const cv::Mat whole(picture.height(), picture.width(), CV_8UC3, const_cast<uchar *>(picture.constBits()), size_t(picture.bytesPerLine()));
    FrameMotion motion;
    cv::Point2d shift;
    const int frames = 4;
    for (int k = 0; k < frames; ++k) {
        const cv::Mat frame = blank ? cv::Mat(192, 256, CV_8UC3, cv::Scalar::all(128)) : whole(cv::Rect(60 + k * dx, 60 + k * dy, 256, 192)).clone();
        shift = motion.add(frame);
    }
    const cv::Point2d expected = blank ? cv::Point2d() : cv::Point2d(-dx * (frames - 1), -dy * (frames - 1));
    QVERIFY2(cv::norm(shift - expected) < 1.5, qPrintable(QStringLiteral("moved (%1, %2), expected (%3, %4)")
                                                            .arg(shift.x).arg(shift.y).arg(expected.x).arg(expected.y)));
}

// A box drawn in the stored frame, seen upright and mapped back, is the box drawn.
void TestVideo::turnedFrames_data()
{
    QTest::addColumn<int>("turn");
    for (const int turn : {0, 90, 180, 270})
        QTest::newRow(qPrintable(QString::number(turn))) << turn;
}

void TestVideo::turnedFrames()
{
    QFETCH(int, turn);
    cv::Mat stored = cv::Mat::zeros(30, 40, CV_8UC1);
    const FaceBox drawn{5, 3, 10, 6};
    stored(cv::Rect(drawn.x, drawn.y, drawn.width, drawn.height)).setTo(255);
    const cv::Mat upright = TurnUpright(stored, turn);
    QCOMPARE(upright.cols, turn % 180 ? 30 : 40);
    const cv::Rect seen = cv::boundingRect(upright);
    QCOMPARE(BoxInStoredFrame({seen.x, seen.y, seen.width, seen.height}, turn, stored.cols, stored.rows), drawn);
    QCOMPARE(ClockwiseTurnFromDegrees(-double(turn)), turn);
}

void TestVideo::containers_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("encoding");
    QTest::addColumn<QString>("videoCodec");
    QTest::addColumn<bool>("subtitles");
    QTest::newRow("MP4 H.264 AAC text") << "clip.mp4" << QStringList{"-c:v", "libx264", "-c:a", "aac", "-c:s", "mov_text"} << "h264" << true;
    QTest::newRow("MOV HEVC AAC") << "clip.mov" << QStringList{"-c:v", "libx265", "-x265-params", "log-level=error", "-c:a", "aac"} << "hevc" << false;
    QTest::newRow("MKV H.264 FLAC SRT") << "clip.mkv" << QStringList{"-c:v", "libx264", "-c:a", "flac", "-c:s", "srt"} << "h264" << true;
    QTest::newRow("WebM VP9 Opus WebVTT") << "clip.webm" << QStringList{"-c:v", "libvpx-vp9", "-c:a", "libopus", "-c:s", "webvtt"} << "vp9" << true;
    QTest::newRow("WebM VP8 Vorbis") << "clip8.webm" << QStringList{"-c:v", "libvpx", "-c:a", "libvorbis"} << "vp8" << false;
    QTest::newRow("AVI MPEG-4 MP3") << "clip.avi" << QStringList{"-c:v", "mpeg4", "-q:v", "3", "-c:a", "libmp3lame"} << "mpeg4" << false;
}

// Blur keeps the container, codec, frame size, every timestamp and the other streams, drops
// identifying metadata, and no face the engine finds in a frame is found there again.
void TestVideo::containers()
{
    QFETCH(QString, name);
    QFETCH(QStringList, encoding);
    QFETCH(QString, videoCodec);
    QFETCH(bool, subtitles);
    QTemporaryDir dir;
    const QString input = dir.filePath(name), output = dir.filePath("out-" + name);
    QStringList inputs, maps;
    if (subtitles) {
        QFile srt(dir.filePath("words.srt"));
        QVERIFY(srt.open(QIODevice::WriteOnly));
        srt.write("1\n00:00:00,000 --> 00:00:01,000\nHello\n\n2\n00:00:01,000 --> 00:00:02,000\nAgain\n");
        srt.close();
        inputs << "-f" << "srt" << "-i" << srt.fileName();
        maps << "-map" << "2:s";
    }
    QStringList tags{"-metadata", "location=+48.8577+002.2950/", "-metadata", "make=Acme", "-metadata", "model=Phone 9",
                     "-metadata", "artist=Jane Roe", "-metadata:s:a:0", "language=fra"};
    QVERIFY(MakePanningClip(input, 2, maps + encoding + tags, inputs));

    VideoSettings settings;
    settings.action = VideoAction::Blur;
    std::int64_t lastDone = 0, lastTotal = 0;
    ProcessVideo(input.toStdString(), output.toStdString(), settings, EngineFaces(Model.toStdString()),
                 [&](std::int64_t done, std::int64_t total) {
                     QCOMPARE(done, lastDone + 1);
                     lastDone = done;
                     lastTotal = total;
                 });
    QCOMPARE(lastDone, 50);
    QCOMPARE(lastTotal, 50);

    const QJsonObject before = Probe(input, {"-show_format", "-show_streams"});
    const QJsonObject after = Probe(output, {"-show_format", "-show_streams"});
    QCOMPARE(after["format"]["format_name"], before["format"]["format_name"]);
    const QJsonArray streamsBefore = before["streams"].toArray(), streamsAfter = after["streams"].toArray();
    QCOMPARE(streamsAfter.size(), streamsBefore.size());
    QCOMPARE(streamsAfter[0]["codec_name"].toString(), videoCodec);
    QCOMPARE(streamsAfter[0]["width"], streamsBefore[0]["width"]);
    QCOMPARE(streamsAfter[0]["height"], streamsBefore[0]["height"]);
    QCOMPARE(streamsAfter[0]["avg_frame_rate"], streamsBefore[0]["avg_frame_rate"]);
    const QStringList times = FrameTimes(input);
    QCOMPARE(times.size(), 50);
    QCOMPARE(FrameTimes(output), times);
    QCOMPARE(PacketDigest(output, "a"), PacketDigest(input, "a"));
    if (subtitles)
        QCOMPARE(PacketDigest(output, "s"), PacketDigest(input, "s"));
    QCOMPARE(streamsAfter[1]["tags"]["language"], streamsBefore[1]["tags"]["language"]); // AVI keeps none

    const QJsonObject tagsBefore = before["format"]["tags"].toObject(), tagsAfter = after["format"]["tags"].toObject();
    QVERIFY2(tagsBefore.contains("artist") || tagsBefore.contains("ARTIST"), "the clip carries the metadata to drop");
    for (const QString &key : tagsAfter.keys())
        for (const char *dropped : {"location", "make", "model", "artist"})
            QVERIFY2(!key.startsWith(QLatin1String(dropped), Qt::CaseInsensitive), qPrintable(key));

    const FacesPerFrame found = FacesIn(input, dir.filePath("in.txt"));
    QVERIFY2(FaceCount(found) >= 50, "the engine finds the faces in the clip");
    QCOMPARE(FoundAgain(found, FacesIn(output, dir.filePath("out.txt"))), 0);
}

// A phone clip: frames stored sideways with a rotation tag. The faces are found upright, the
// output keeps the tag (and so plays upright) and none of them is found again.
void TestVideo::rotationHonoured()
{
    QTemporaryDir dir;
    const QString upright = dir.filePath("upright.mp4"), sideways = dir.filePath("sideways.mp4"), tagged = dir.filePath("tagged.mp4");
    QVERIFY(MakePanningClip(upright, 1, {"-c:v", "libx264", "-c:a", "aac"}));
    QVERIFY(Run("ffmpeg", {"-loglevel", "error", "-i", upright, "-vf", "transpose=clock", "-c:v", "libx264", "-c:a", "copy", sideways}).has_value());
    QVERIFY(Run("ffmpeg", {"-loglevel", "error", "-i", sideways, "-c", "copy", "-metadata:s:v", "rotate=90", tagged}).has_value());

    const FacesPerFrame seenUpright = FacesIn(upright, dir.filePath("upright.txt"));
    const FacesPerFrame seenTagged = FacesIn(tagged, dir.filePath("tagged.txt"));
    QVERIFY(FaceCount(seenUpright) >= 25);
    QCOMPARE(seenTagged.size(), seenUpright.size());
    for (size_t frame = 0; frame < seenUpright.size(); ++frame) // positions refer to the upright frame
        for (const FaceBox &face : seenTagged[frame])
            QVERIFY(std::any_of(seenUpright[frame].begin(), seenUpright[frame].end(), [&](const FaceBox &f) { return IoU(f, face) > 0.5; }));

    const QString output = dir.filePath("out.mp4");
    QVERIFY(Run(Program, {"--action", "blur", "--model", Model, tagged, output}).has_value());
    const QJsonObject probe = Probe(output, {"-show_streams"});
    QCOMPARE(probe["streams"][0]["side_data_list"][0]["rotation"].toInt(), 90);
    QCOMPARE(FoundAgain(seenTagged, FacesIn(output, dir.filePath("out.txt"))), 0);
}

void TestVideo::damagedClipsLeaveNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("encoding");
    QTest::addColumn<double>("keptPart");   // of the file, the rest cut off
    QTest::addColumn<double>("garbledPart"); // from here on 4 KB overwritten (0: none)
    QTest::addColumn<QString>("reason");
    QTest::newRow("MP4 cut short, index at the end") << "cut.mp4" << QStringList{"-c:v", "libx264"} << 0.5 << 0.0 << "the video is damaged or cut short";
    QTest::newRow("MP4 cut short, index first") << "cut.mp4" << QStringList{"-c:v", "libx264", "-movflags", "+faststart"} << 0.6 << 0.0
                                                << "the video is cut short";
    QTest::newRow("MP4 garbled") << "bad.mp4" << QStringList{"-c:v", "libx264", "-movflags", "+faststart"} << 1.0 << 0.5
                                 << "the video is damaged";
    QTest::newRow("not a video") << "fake.mp4" << QStringList{} << 1.0 << 0.0 << "the file is not a video in a format Mirelon reads";
    QTest::newRow("fuzzer's damaged MPEG-4") << "damaged-mpeg4.mkv" << QStringList{} << 1.0 << 0.0 << "the video is damaged";
}

void TestVideo::damagedClipsLeaveNothing()
{
    QFETCH(QString, name);
    QFETCH(QStringList, encoding);
    QFETCH(double, keptPart);
    QFETCH(double, garbledPart);
    QFETCH(QString, reason);
    QTemporaryDir in, out;
    const QString clip = in.filePath(name);
    if (encoding.isEmpty()) // a file of the fixtures, or the picture
        QVERIFY(QFile::copy(name.startsWith("damaged") ? QStringLiteral(MIRELON_SOURCE_DIR "/tests/video/fixtures/") + name : FacesPicture, clip));
    else
        QVERIFY(MakePanningClip(clip, 2, encoding + QStringList{"-c:a", "aac"}));
    QFile file(clip);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.resize(qint64(file.size() * keptPart)));
    if (garbledPart > 0) {
        QVERIFY(file.seek(qint64(file.size() * garbledPart)));
        QByteArray garbage(4096, '\0');
        for (int i = 0; i < garbage.size(); ++i)
            garbage[i] = char(i * 37 + 11);
        file.write(garbage);
    }
    file.close();

    QProcess process;
    process.start(Program, {"--action", "blur", "--model", Model, clip, out.filePath(name)});
    QVERIFY(process.waitForFinished(120000));
    QCOMPARE(process.exitCode(), 1);
    const QString error = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(error.count('\n'), 1);
    QVERIFY2(error.startsWith("mirelon-video: " + reason), qPrintable(error));
    QCOMPARE(FilesIn(out.path()), QStringList());
}

// SIGTERM mid-clip (what a Stop or a stopped mirelon-convert sends) leaves no file at all.
void TestVideo::stopMidClipLeavesNothing()
{
    QTemporaryDir in, out;
    const QString clip = in.filePath("long.mkv");
    QVERIFY(MakePanningClip(clip, 20, {"-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac"}));
    QProcess process;
    process.start(Program, {"--action", "blur", "--model", Model, clip, out.filePath("long.mkv")});
    QVERIFY(process.waitForReadyRead(60000));
    QVERIFY(process.readAllStandardOutput().startsWith("frame "));
    QVERIFY(!FilesIn(out.path()).isEmpty()); // the output is being written ...
    ::kill(pid_t(process.processId()), SIGTERM);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 1);
    QVERIFY(process.readAllStandardError().endsWith(": stopped\n"));
    QCOMPARE(FilesIn(out.path()), QStringList()); // ... and gone
}

QTEST_GUILESS_MAIN(TestVideo)
#include "tst_video.moc"
