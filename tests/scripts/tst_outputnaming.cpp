// Choosing the first free output name in a destination folder.
#include "platform/Errors.h"
#include "scripts/OutputNaming.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

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
        QTest::newRow("a folder takes the name") << QStringList{"output.txt/"} << "output.txt" << "output (2).txt";
        QTest::newRow("a dangling link takes the name")
            << QStringList{"output.png@/nonexistent/elsewhere.png"} << "output.png" << "output (2).png";
        QTest::newRow("a link to a file elsewhere takes the name")
            << QStringList{"face1.png@/etc/hostname"} << "face1.png" << "face1 (2).png";
        QTest::newRow("a FIFO takes the name") << QStringList{"output.txt|"} << "output.txt" << "output (2).txt";
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
            } else if (const qsizetype at = name.indexOf(QLatin1Char('@')); at > 0) { // name@target: a link
                QVERIFY(QFile::link(name.mid(at + 1), dir.filePath(name.left(at))));
            } else if (name.endsWith(QLatin1Char('|'))) {
                QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(name.chopped(1))).constData(), 0600), 0);
            } else {
                QFile file(dir.filePath(name));
                QVERIFY(file.open(QIODevice::WriteOnly));
            }
        }
        QCOMPARE(FindFilenameThatDoesNotExist(dir.filePath(asked)), dir.filePath(expected));
    }

    // The chosen output is created at once, empty and exclusively: never through a link, so a
    // dangling link planted in the destination leaves its target untouched.
    void outputsAreCreatedWhereTheyAreNamed()
    {
        QTemporaryDir dir, elsewhere;
        const QString target = elsewhere.filePath("planted.png");
        QVERIFY(QFile::link(target, dir.filePath("output.png")));
        QVERIFY(QFile::link(elsewhere.filePath("planted.txt"), dir.filePath("output.txt")));

        const ReservedOutput image = CreateOutputImageFile(dir.path(), "png");
        QVERIFY(image.created);
        QCOMPARE(image.scriptName, dir.filePath("output (2)"));
        QCOMPARE(image.file, dir.filePath("output (2).png"));
        const ReservedOutput text = CreateOutputTextFile(dir.path());
        QVERIFY(text.created);
        QCOMPARE(text.file, dir.filePath("output (2).txt"));
        QCOMPARE(text.scriptName, text.file);
        for (const QString &made : {image.file, text.file}) {
            const QFileInfo info(made);
            QVERIFY2(info.isFile() && !info.isSymLink() && info.size() == 0, qPrintable(made));
        }
        QVERIFY(!QFileInfo::exists(target));
        // The next name along, as the created file now takes its own.
        QCOMPARE(CreateOutputImageFile(dir.path(), "png").scriptName, dir.filePath("output (3)"));

        // A folder that is missing: nothing is created, the name is the usual one.
        const ReservedOutput missing = CreateOutputTextFile(dir.filePath("missing"));
        QVERIFY(!missing.created);
        QCOMPARE(missing.file, dir.filePath("missing/output.txt"));
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
