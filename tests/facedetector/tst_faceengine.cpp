// The engine as callers in the process use it (video frame after frame): built once from the
// model, it answers the same for the same picture every time, in either channel order and from
// any part of a larger buffer, and refuses a wrong model or picture with an exception.
#include "facedetector/engine/FaceEngine.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <stdexcept>

using namespace facedetect;

namespace {

const std::string ModelPath = MIRELON_BINARY_DIR "/" + std::string(DefaultNetworkModel().fileName);

// Coloured blocks of 4 x 4 pixels: at a very low score the network sees many candidates in it,
// enough to tell any change in the answers.
cv::Mat Blocks()
{
    cv::Mat small(75, 100, CV_8UC3);
    cv::RNG random(7);
    random.fill(small, cv::RNG::UNIFORM, 0, 256);
    cv::Mat picture;
    cv::resize(small, picture, cv::Size(400, 300), 0, 0, cv::INTER_NEAREST);
    return picture;
}

FinderOptions LowScore(unsigned threads)
{
    FinderOptions options;
    options.minScore = 0.05f;
    options.threads = threads;
    return options;
}

QString Text(const std::vector<Face> &faces)
{
    QStringList lines;
    for (const Face &f : faces)
        lines << QStringLiteral("%1 %2 %3 %4 %5").arg(f.x).arg(f.y).arg(f.width).arg(f.height).arg(f.score);
    return lines.join(QLatin1Char('\n'));
}

// A 1280 x 720 frame holding the faces of a fixture picture small (about 20 to 30 pixels), six
// times across, so that only the finest level, cut into two tiles, answers for them.
cv::Mat SmallFacesFrame()
{
    const cv::Mat picture = DecodeUprightImageFile(MIRELON_SOURCE_DIR "/tests/data/faces/2008_001322.jpg");
    cv::Mat small;
    cv::resize(picture, small, cv::Size(), 0.32, 0.32, cv::INTER_AREA);
    cv::Mat frame(720, 1280, CV_8UC3, cv::Scalar(90, 110, 100));
    for (int i = 0; i < 6; ++i)
        small.copyTo(frame(cv::Rect(20 + i * 205, 80 + (i % 2) * 380, small.cols, small.rows)));
    return frame;
}

} // namespace

class TestFaceEngine : public QObject {
    Q_OBJECT

private slots:
    // Searched in turns over a cycle of frames, the same picture gives every face the whole
    // search gives, each frame searching less.
    void turnsTogetherFindEveryFace()
    {
        FaceEngine engine(ModelPath);
        const cv::Mat frame = SmallFacesFrame();
        const std::vector<Face> whole = engine.FindFaces(frame);
        QVERIFY2(whole.size() >= 12, qPrintable(QString::number(whole.size())));
        std::vector<Face> turns;
        std::size_t fewest = whole.size();
        for (unsigned long long number = 0; number < 4; ++number) {
            FinderOptions options;
            options.turns = {number, 4};
            const std::vector<Face> found = engine.FindFaces(frame, ChannelOrder::Rgb, options);
            fewest = std::min(fewest, found.size());
            turns.insert(turns.end(), found.begin(), found.end());
        }
        QVERIFY(fewest < whole.size());
        for (const Face &face : whole) {
            const cv::Rect2d box(face.x, face.y, face.width, face.height);
            const bool seen = std::any_of(turns.begin(), turns.end(), [&](const Face &other) {
                const cv::Rect2d found(other.x, other.y, other.width, other.height);
                return (box & found).area() / (box | found).area() > 0.5;
            });
            QVERIFY2(seen, qPrintable(QStringLiteral("face at %1, %2 not found in any turn").arg(face.x).arg(face.y)));
        }
    }

    void samePictureSameAnswerEveryTime()
    {
        FaceEngine engine(ModelPath);
        const cv::Mat picture = Blocks();
        const QString first = Text(engine.FindFaces(picture, ChannelOrder::Rgb, LowScore(1)));
        QVERIFY(!first.isEmpty());
        for (int frame = 0; frame < 3; ++frame) // the networks kept from the first call
            QCOMPARE(Text(engine.FindFaces(picture, ChannelOrder::Rgb, LowScore(1))), first);
        QCOMPARE(Text(engine.FindFaces(picture, ChannelOrder::Rgb, LowScore(3))), first);

        cv::Mat bgr;
        cv::cvtColor(picture, bgr, cv::COLOR_RGB2BGR);
        QCOMPARE(Text(engine.FindFaces(bgr, ChannelOrder::Bgr, LowScore(1))), first);

        // A frame inside a larger buffer: rows further apart than the frame is wide.
        cv::Mat buffer(picture.rows + 20, picture.cols + 30, CV_8UC3, cv::Scalar::all(255));
        picture.copyTo(buffer(cv::Rect(10, 5, picture.cols, picture.rows)));
        QCOMPARE(Text(engine.FindFaces(buffer(cv::Rect(10, 5, picture.cols, picture.rows)), ChannelOrder::Rgb, LowScore(1))),
                 first);
    }

    // A tile one coarsest network cell high (32 rows) and wide once got boxes of score 1 out
    // of memory the network never wrote, different from run to run.
    void wideStripsHaveNoFaces_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("1024 x 32") << 1024 << 32;
        QTest::newRow("832 x 32") << 832 << 32;
        QTest::newRow("1000 x 24") << 1000 << 24;
    }
    void wideStripsHaveNoFaces()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        cv::Mat strip(height, width, CV_8UC3);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                strip.at<cv::Vec3b>(y, x) = cv::Vec3b(40 + x % 200, 90, 160 + y % 90);
        const std::vector<std::uint8_t> model = ReadModelFile(ModelPath);
        const std::unique_ptr<FaceDetectorNetwork> network = DefaultNetworkModel().create(model);
        for (int run = 0; run < 5; ++run)
            QCOMPARE(network->Detect(strip, 0.45f).size(), std::size_t(0));
        FaceEngine engine(ModelPath);
        QCOMPARE(Text(engine.FindFaces(strip)), QString());
    }

    void refusesOtherPictures_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("side");
        QTest::newRow("empty") << CV_8UC3 << 0;
        QTest::newRow("gray") << CV_8UC1 << 40;
        QTest::newRow("four channels") << CV_8UC4 << 40;
        QTest::newRow("16 bits") << CV_16UC3 << 40;
    }
    void refusesOtherPictures()
    {
        QFETCH(int, type);
        QFETCH(int, side);
        FaceEngine engine(ModelPath);
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, engine.FindFaces(cv::Mat(side, side, type, cv::Scalar::all(0))));
    }

    void refusesWrongModels_data()
    {
        QTest::addColumn<QByteArray>("model"); // null: no file
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QString>("message");
        QFile real(QString::fromStdString(ModelPath));
        QVERIFY(real.open(QIODevice::ReadOnly));
        QByteArray altered = real.readAll();
        altered[altered.size() / 2] = char(altered[altered.size() / 2] ^ 1);
        QTest::newRow("missing") << QByteArray() << true << "model is missing";
        QTest::newRow("empty") << QByteArray("") << false << "model is empty";
        QTest::newRow("altered") << altered << true << "model has been altered";
        QTest::newRow("not a network, unchecked") << QByteArray("not a network") << false << "cannot be loaded";
    }
    void refusesWrongModels()
    {
        QFETCH(QByteArray, model);
        QFETCH(bool, checked);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("model.onnx"));
        if (!model.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(model) == model.size());
        }
        try {
            FaceEngine engine(QFile::encodeName(path).toStdString(),
                              checked ? FaceEngine::ModelCheck::Digest : FaceEngine::ModelCheck::Unchecked);
            QFAIL("the model was accepted");
        } catch (const ModelError &error) {
            QVERIFY2(QString::fromStdString(error.what()).contains(message), error.what());
        }
    }
};

QTEST_APPLESS_MAIN(TestFaceEngine)
#include "tst_faceengine.moc"
