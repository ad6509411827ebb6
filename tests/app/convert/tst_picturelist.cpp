// Lists of pictures from --files-from or standard input: awkward names come through whole.
#include "app/convert/PictureList.h"
#include "platform/Errors.h"

#include <QDir>
#include <QTemporaryFile>
#include <QTest>

class TestPictureList : public QObject {
    Q_OBJECT

private slots:
    void split_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("nul");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<int>("problems");
        QTest::newRow("lines") << QByteArray("a.jpg\nb.jpg\n") << false << QStringList{"a.jpg", "b.jpg"} << 0;
        QTest::newRow("no newline at the end") << QByteArray("a.jpg\nb.jpg") << false << QStringList{"a.jpg", "b.jpg"} << 0;
        QTest::newRow("empty lines skipped") << QByteArray("\n\na.jpg\n\n") << false << QStringList{"a.jpg"} << 0;
        QTest::newRow("blanks and dashes kept")
            << QByteArray(" lead.jpg\ntrail.jpg \n-dash.jpg\n--action\n-\n") << false
            << QStringList{" lead.jpg", "trail.jpg ", "-dash.jpg", "--action", "-"} << 0;
        QTest::newRow("NUL separated, newline in a name")
            << QByteArray("a\nb.jpg\0c d.jpg\0", 16) << true << QStringList{"a\nb.jpg", "c d.jpg"} << 0;
        QTest::newRow("NUL separated, no NUL at the end") << QByteArray("a.jpg\0\0b.jpg", 12) << true
                                                          << QStringList{"a.jpg", "b.jpg"} << 0;
        QTest::newRow("UTF-8 name") << QByteArray("f\xc3\xa9te.jpg\n") << false << QStringList{"f\u00e9te.jpg"} << 0;
        QTest::newRow("not UTF-8: named, the rest goes on")
            << QByteArray("a.jpg\n\xff\xfe.jpg\nb.jpg\n") << false << QStringList{"a.jpg", "b.jpg"} << 1;
        QTest::newRow("NUL inside a line") << QByteArray("c.jpg\na\0b.jpg\n", 14) << false << QStringList{"c.jpg"} << 1;
        QTest::newRow("empty") << QByteArray() << false << QStringList{} << 0;
    }
    void split()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, nul);
        QFETCH(QStringList, paths);
        QFETCH(int, problems);
        const PictureList list = SplitPictureList(bytes, nul, "list.txt");
        QCOMPARE(list.paths, paths);
        QCOMPARE(list.problems.size(), problems);
        if (problems)
            QVERIFY2(list.problems.first().startsWith(nul ? "list.txt, entry" : "list.txt, line 2"),
                     qPrintable(list.problems.first()));
    }

    void readsAFile()
    {
        QTemporaryFile file;
        QVERIFY(file.open());
        file.write("one.jpg\ntwo.jpg\n");
        file.close();
        QCOMPARE(ReadPictureList(file.fileName(), false, stdin).paths, (QStringList{"one.jpg", "two.jpg"}));
    }

    void unreadableListIsAnError_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("missing") << "/nonexistent/list.txt";
        QTest::newRow("a folder") << QDir::tempPath();
    }
    void unreadableListIsAnError()
    {
        QFETCH(QString, file);
        QVERIFY_THROWS_EXCEPTION(MirelonError, ReadPictureList(file, false, stdin));
    }
};

QTEST_GUILESS_MAIN(TestPictureList)
#include "tst_picturelist.moc"
