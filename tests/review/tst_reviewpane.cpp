// The review pane draws the picture in the frame of the engine's boxes: turned by the orientation
// the search reported, never by an image reader's own reading of the tag.
#include "review/ReviewPane.h"

#include <QBuffer>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>

namespace {
// A picture whose four quarters differ, so every turn and mirror gives another image.
QImage Quarters()
{
    QImage image(32, 16, QImage::Format_RGB32);
    image.fill(Qt::white);
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::black};
    for (int q = 0; q < 4; ++q)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 16; ++x)
                image.setPixelColor((q % 2) * 16 + x, (q / 2) * 8 + y, colours[q]);
    return image;
}

// JPEG data of `image` with an EXIF block holding one Orientation entry per value, in order.
QByteArray JpegWithOrientations(const QImage &image, const QList<quint16> &orientations)
{
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 100);
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    tiff.append(char(orientations.size())).append('\0');
    for (quint16 value : orientations) // tag 0x0112, SHORT, count 1, value
        tiff.append(QByteArray("\x12\x01\x03\0\x01\0\0\0", 8)).append(char(value)).append(QByteArray(3, '\0'));
    tiff.append(QByteArray(4, '\0')); // no next directory
    const QByteArray exif = QByteArray("Exif\0\0", 6) + tiff;
    const int length = int(exif.size()) + 2;
    QByteArray app1("\xFF\xE1", 2);
    app1.append(char(length >> 8)).append(char(length & 0xFF)).append(exif);
    return jpeg.insert(2, app1);
}

QString Write(const QTemporaryDir &dir, const QString &name, const QByteArray &data)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        qFatal("cannot write %s", qPrintable(file.fileName()));
    return file.fileName();
}
} // namespace

class TestReviewPane : public QObject {
    Q_OBJECT

private slots:
    // The turn for each EXIF orientation is the one an image reader applies for that tag.
    void turnsAsTheTagSays_data()
    {
        QTest::addColumn<int>("orientation");
        for (int orientation = 1; orientation <= 8; ++orientation)
            QTest::addRow("orientation %d", orientation) << orientation;
    }
    void turnsAsTheTagSays()
    {
        QFETCH(int, orientation);
        QTemporaryDir dir;
        const QString path = Write(dir, QStringLiteral("tagged.jpg"), JpegWithOrientations(Quarters(), {quint16(orientation)}));
        QImageReader stored(path), upright(path);
        stored.setAutoTransform(false);
        upright.setAutoTransform(true);
        const QImage storedImage = stored.read().convertToFormat(QImage::Format_RGB32);
        const QImage expected = upright.read().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(TurnedUpright(storedImage, orientation), expected);
        QCOMPARE(UprightSize(storedImage.size(), orientation), expected.size());
    }

    // Whatever the file's tags say (none, one, or two that readers take differently), the pane
    // shows the stored pixels turned by the review's orientation, in the size its boxes refer to.
    void paneFollowsTheEngine_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("orientation"); // as the search reported it
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        Quarters().save(&buffer, "PNG");
        QTest::newRow("PNG without a tag, engine 6") << "plain.png" << png << 6;
        QTest::newRow("JPEG tag 6, engine 6") << "six.jpg" << JpegWithOrientations(Quarters(), {6}) << 6;
        QTest::newRow("JPEG tags 1 then 6, engine 1") << "two.jpg" << JpegWithOrientations(Quarters(), {1, 6}) << 1;
        QTest::newRow("JPEG tags 1 then 6, engine 6") << "two.jpg" << JpegWithOrientations(Quarters(), {1, 6}) << 6;
        QTest::newRow("JPEG tag 8, engine 3") << "eight.jpg" << JpegWithOrientations(Quarters(), {8}) << 3;
    }
    void paneFollowsTheEngine()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, data);
        QFETCH(int, orientation);
        QTemporaryDir dir;
        const QString path = Write(dir, name, data);
        QImageReader reader(path);
        reader.setAutoTransform(false);
        const QImage stored = reader.read().convertToFormat(QImage::Format_RGB32);

        ReviewPane pane;
        pane.resize(400, 300);
        FaceReview review;
        review.searched = true;
        review.orientation = orientation;
        review.boxes = {{QRect(0, 0, 8, 8), false, false}};
        pane.showEntry(path, review);
        QTRY_VERIFY(pane.pictureShown());
        QCOMPARE(pane.uprightSize(), UprightSize(stored.size(), orientation));
        QCOMPARE(pane.shownImage(), TurnedUpright(stored, orientation));

        // A search that ends later with another orientation turns the picture with it.
        review.orientation = orientation == 1 ? 6 : 1;
        pane.updateReview(review);
        QCOMPARE(pane.shownImage(), TurnedUpright(stored, review.orientation));
    }
};

QTEST_MAIN(TestReviewPane)
#include "tst_reviewpane.moc"
