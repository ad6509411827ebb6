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
        QTest::newRow("none") << QByteArray() << QList<QRect>() << true;
        QTest::newRow("ordered like the library") << QByteArray("50 9 5 5\n10 30 4 4\r\n10 20 3 3\n")
                                                  << QList<QRect>{{10, 20, 3, 3}, {10, 30, 4, 4}, {50, 9, 5, 5}} << true;
        QTest::newRow("a word") << QByteArray("10 20 thirty 40\n") << QList<QRect>() << false;
        QTest::newRow("negative") << QByteArray("-10 20 30 40\n") << QList<QRect>() << false;
        QTest::newRow("too long a number") << QByteArray("1234567890 1 1 1\n") << QList<QRect>() << false;
    }
    void engineLines()
    {
        QFETCH(QByteArray, output);
        QFETCH(QList<QRect>, boxes);
        QFETCH(bool, valid);
        if (!valid) {
            QVERIFY_THROWS_EXCEPTION(MirelonError, ParseEngineBoxes(output));
            return;
        }
        QCOMPARE(ParseEngineBoxes(output), boxes);
    }

    // What a run covers: found boxes not dropped, then drawn ones; one line each in the file.
    void keptBoxesAndFacesFile()
    {
        FaceReview review;
        review.boxes = {{QRect(1, 2, 3, 4), false, false}, {QRect(5, 6, 7, 8), true, false}, {QRect(9, 10, 11, 12), false, true}};
        QCOMPARE(review.keptBoxes(), (QList<QRect>{{1, 2, 3, 4}, {9, 10, 11, 12}}));
        QCOMPARE(FacesFileText(review.keptBoxes()), QByteArray("1 2 3 4\n9 10 11 12\n"));
        QCOMPARE(FacesFileText({}), QByteArray());
    }
};

QTEST_MAIN(TestFaceSearch)
#include "tst_facesearch.moc"
