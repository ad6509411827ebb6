// Which files a picture's script left in its staging folder, and the names they are to get.
#include "processing/PictureOutputs.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestPictureOutputs : public QObject {
    Q_OBJECT

private slots:
    void pictureStem_data()
    {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("stem");
        QTest::newRow("plain") << "/in/photo.jpg" << "photo";
        QTest::newRow("last dot") << "/in/a.b.png" << "a.b";
        QTest::newRow("no extension") << "/in/photo" << "photo";
        QTest::newRow("hidden") << "/in/.photo.jpg" << ".photo";
        QTest::newRow("only an extension") << "/in/.jpg" << ".jpg";
        QTest::newRow("dot in a folder") << "/in.d/photo" << "photo";
        // Long names are cut so that "-face10 (2).webp" still fits 255 bytes, never inside a character.
        QTest::newRow("250 bytes") << "/in/" + QString(246, 'a') + ".jpg" << QString(223, 'a');
        QTest::newRow("four-byte characters")
            << "/in/" + QString::fromUtf8("\xF0\x9F\x98\x80").repeated(60) + ".png" << QString::fromUtf8("\xF0\x9F\x98\x80").repeated(55);
    }
    void pictureStem()
    {
        QFETCH(QString, picture);
        QFETCH(QString, stem);
        QCOMPARE(PictureStem(picture), stem);
    }

    // Faces in their number's order (face10 after face2), other files of the folder ignored.
    void savedFacesInOrder()
    {
        QTemporaryDir staging;
        for (const char *name : {"face10.png", "face2.png", "face1.png", "face3.jpg", "script.php", "face.png"})
            QVERIFY(QFile(staging.filePath(name)).open(QIODevice::WriteOnly));
        QStringList stems;
        for (const StagedOutput &output :
             StagedOutputs(Action::SaveFacesAsSeparateImages, "/in/photo.jpg", "png", staging.path())) {
            QCOMPARE(output.extension, QString(".png"));
            stems << output.stem;
        }
        QCOMPARE(stems, (QStringList{"photo-face1", "photo-face2", "photo-face10"}));
    }

    void oneOutputOrNone()
    {
        QTemporaryDir staging;
        QVERIFY(StagedOutputs(Action::BlurFacesInImage, "/in/photo.png", "jpg", staging.path()).isEmpty());
        QVERIFY(QFile(ExpectedStagedOutput(Action::BlurFacesInImage, "jpg", staging.path())).open(QIODevice::WriteOnly));
        const QList<StagedOutput> outputs = StagedOutputs(Action::BlurFacesInImage, "/in/photo.png", "jpg", staging.path());
        QCOMPARE(outputs.size(), 1);
        QCOMPARE(outputs[0].stem + outputs[0].extension, QString("photo.jpg"));
        QCOMPARE(StagedOutputs(Action::ExportFacePositions, "/in/photo.png", "jpg", staging.path()).size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestPictureOutputs)
#include "tst_pictureoutputs.moc"
