// Choosing the first free output name in a destination folder.
#include "platform/Errors.h"
#include "scripts/OutputNaming.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestOutputNaming : public QObject {
    Q_OBJECT

private slots:
    // What already exists (files; names ending in "/" are folders) and which name comes next.
    void findFilename_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QString>("expected");
        QTest::newRow("free") << QStringList{} << "output.txt" << "output.txt";
        QTest::newRow("taken") << QStringList{"output.txt"} << "output.txt" << "output (2).txt";
        QTest::newRow("two taken") << QStringList{"output.png", "output (2).png"} << "output.png" << "output (3).png";
        QTest::newRow("gap is not filled before the name itself")
            << QStringList{"output (2).txt"} << "output.txt" << "output.txt";
        QTest::newRow("gap after the name") << QStringList{"output.txt", "output (3).txt"} << "output.txt"
                                            << "output (2).txt";
        QTest::newRow("a folder does not take the name") << QStringList{"output.txt/"} << "output.txt" << "output.txt";
        QTest::newRow("no extension") << QStringList{"README"} << "README" << "README (2)";
        QTest::newRow("last dot decides") << QStringList{"a.tar.gz"} << "a.tar.gz" << "a.tar (2).gz";
        QTest::newRow("other extension is another name") << QStringList{"output.jpg"} << "output.png" << "output.png";
    }
    void findFilename()
    {
        QFETCH(QStringList, existing);
        QFETCH(QString, asked);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        for (const QString &name : existing) {
            if (name.endsWith(QLatin1Char('/'))) {
                QVERIFY(QDir(dir.path()).mkdir(name.chopped(1)));
            } else {
                QFile file(dir.filePath(name));
                QVERIFY(file.open(QIODevice::WriteOnly));
            }
        }
        QCOMPARE(FindFilenameThatDoesNotExist(dir.filePath(asked)), dir.filePath(expected));
    }

    void destinationWithOrWithoutSlash()
    {
        QTemporaryDir dir;
        QFile taken(dir.filePath("output.png"));
        QVERIFY(taken.open(QIODevice::WriteOnly));
        const QString expected = dir.filePath("output (2)");
        QCOMPARE(OutputBase(dir.path(), "png"), expected);
        QCOMPARE(OutputBase(dir.path() + "/", "png"), expected);
        QCOMPARE(OutputTextPath(dir.path() + "/"), dir.filePath("output.txt"));
    }

    void folderWithDotKeepsItsName()
    {
        QTemporaryDir dir;
        const QString dotted = dir.filePath("my.photos");
        QVERIFY(QDir().mkpath(dotted));
        QCOMPARE(OutputBase(dotted, "jpg"), dotted + "/output");
    }

    void trailingSlash()
    {
        QCOMPARE(WithTrailingSlash("/out"), QString("/out/"));
        QCOMPARE(WithTrailingSlash("/out/"), QString("/out/"));
        QCOMPARE(WithoutTrailingSlash("/out/"), QString("/out"));
        QCOMPARE(WithoutTrailingSlash("/out//"), QString("/out/")); // only one is removed
        QCOMPARE(WithoutTrailingSlash("/"), QString(""));
    }

    void nulCharacterIsInvalid()
    {
        const QString destination = QStringLiteral("/tmp/a") + QChar(u'\0') + QStringLiteral("b");
        try {
            OutputTextPath(destination);
            QFAIL("no error raised");
        } catch (const MirelonError &error) {
            QCOMPARE(error.message(), QStringLiteral("Invalid characters in path"));
        }
    }
};

QTEST_GUILESS_MAIN(TestOutputNaming)
#include "tst_outputnaming.moc"
