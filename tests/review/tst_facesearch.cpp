// The review's pieces without a window: the engine's result lines and the faces file.
#include "imagelist/FaceReview.h"
#include "platform/Errors.h"
#include "review/FaceSearch.h"

#include <QTest>

class TestFaceSearch : public QObject {
    Q_OBJECT

private slots:
    void engineLines_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QList<QRect>>("boxes"); // empty with `valid` false: refused
        QTest::addColumn<bool>("valid");
        QTest::newRow("none") << QByteArray("orientation 1\n") << QList<QRect>() << true;
        QTest::newRow("ordered like the library") << QByteArray("orientation 6\n50 9 5 5\n10 30 4 4\r\n10 20 3 3\n")
                                                  << QList<QRect>{{10, 20, 3, 3}, {10, 30, 4, 4}, {50, 9, 5, 5}} << true;
        QTest::newRow("no orientation") << QByteArray("10 20 3 3\n") << QList<QRect>() << false;
        QTest::newRow("nothing at all") << QByteArray() << QList<QRect>() << false;
        QTest::newRow("orientation out of range") << QByteArray("orientation 9\n") << QList<QRect>() << false;
        QTest::newRow("a word") << QByteArray("orientation 1\n10 20 thirty 40\n") << QList<QRect>() << false;
        QTest::newRow("negative") << QByteArray("orientation 1\n-10 20 30 40\n") << QList<QRect>() << false;
        QTest::newRow("too long a number") << QByteArray("orientation 1\n1234567890 1 1 1\n") << QList<QRect>() << false;
    }
    void engineLines()
    {
        QFETCH(QByteArray, output);
        QFETCH(QList<QRect>, boxes);
        QFETCH(bool, valid);
        if (!valid) {
            QVERIFY_THROWS_EXCEPTION(MirelonError, ParseEngineResult(output));
            return;
        }
        QCOMPARE(ParseEngineResult(output).boxes, boxes);
        QCOMPARE(ParseEngineResult(output).orientation, output.contains("orientation 6") ? 6 : 1);
    }

    // What a run covers: found boxes not dropped, then drawn ones; one line each in the file.
    void keptBoxesAndFacesFile()
    {
        FaceReview review;
        review.boxes = {{QRect(1, 2, 3, 4), false, false}, {QRect(5, 6, 7, 8), true, false}, {QRect(9, 10, 11, 12), false, true}};
        QCOMPARE(review.keptBoxes(), (QList<QRect>{{1, 2, 3, 4}, {9, 10, 11, 12}}));
        QCOMPARE(FacesFileText(8, review.keptBoxes()), QByteArray("orientation 8\n1 2 3 4\n9 10 11 12\n"));
        QCOMPARE(FacesFileText(1, {}), QByteArray("orientation 1\n"));
    }
};

QTEST_MAIN(TestFaceSearch)
#include "tst_facesearch.moc"
