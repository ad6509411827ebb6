// The command's own texts: counts that agree with their number, failures cut to a line.
#include "app/convert/ConvertReport.h"

#include <QTest>

class TestConvertReport : public QObject {
    Q_OBJECT

private slots:
    void countOfPictures_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("total");
        QTest::addColumn<QString>("text");
        QTest::newRow("1 of 1") << 1 << 1 << "1 of 1 picture failed";
        QTest::newRow("1 of 3") << 1 << 3 << "1 of 3 pictures failed";
        QTest::newRow("0 of 1") << 0 << 1 << "0 of 1 picture failed";
        QTest::newRow("2 of 2") << 2 << 2 << "2 of 2 pictures failed";
    }
    void countOfPictures()
    {
        QFETCH(int, count);
        QFETCH(int, total);
        QFETCH(QString, text);
        QCOMPARE(CountOfPictures(count, total, "failed"), text);
    }

    void failureText_data()
    {
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("text");
        QTest::newRow("first line") << "PHP Warning:  imagepng(): bad\n  in /tmp/s.php on line 3\n"
                                    << "mirelon-convert: /in/a.jpg: PHP Warning:  imagepng(): bad";
        QTest::newRow("leading blank line") << "\n  gone\n" << "mirelon-convert: /in/a.jpg: gone";
        QTest::newRow("no reason") << "" << "mirelon-convert: /in/a.jpg: failed";
    }
    void failureText()
    {
        QFETCH(QString, reason);
        QFETCH(QString, text);
        QCOMPARE(PictureFailedText("/in/a.jpg", reason), text);
    }
};

QTEST_GUILESS_MAIN(TestConvertReport)
#include "tst_convertreport.moc"
