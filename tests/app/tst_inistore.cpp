#include "app/IniStore.h"
#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QByteArray bom("\xEF\xBB\xBF");
}

class TestIniStore : public QObject {
    Q_OBJECT

private slots:
    // Each input file, read and written back: what survives, in which order and spelling.
    void rewrite_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("own file unchanged")
            << bom + "[Settings]\r\nDestination=/home/u/Desktop\r\nFormat=JPG\r\n\r\n"
            << bom + "[Settings]\r\nDestination=/home/u/Desktop\r\nFormat=JPG\r\n\r\n";
        QTest::newRow("no BOM, LF and lone CR line ends")
            << QByteArray("[S]\nA=1\rB=2\r\n") << bom + "[S]\r\nA=1\r\nB=2\r\n\r\n";
        QTest::newRow("comments, empty lines and lines before the first header dropped")
            << QByteArray("orphan=1\r\n; note\r\n[S]\r\n\r\n;x=1\r\nA=1\r\n\r\n\r\n[T]\r\nB=2")
            << bom + "[S]\r\nA=1\r\n\r\n[T]\r\nB=2\r\n\r\n";
        QTest::newRow("blanks and control characters stripped")
            << QByteArray("  [ Sec ]\t\r\n \t key \x01 = \t value  with  inner  blanks \x02\r\n")
            << bom + "[Sec]\r\nkey=value  with  inner  blanks\r\n\r\n";
        QTest::newRow("split at the first =, a line without = is a key")
            << QByteArray("[S]\r\na=b=c\r\nflag\r\n=nameless\r\n")
            << bom + "[S]\r\na=b=c\r\nflag=\r\n=nameless\r\n\r\n";
        QTest::newRow("repeated header's lines ignored, in any letter case")
            << QByteArray("[A]\r\nx=1\r\n[B]\r\ny=2\r\n[a]\r\nx=9\r\nz=3\r\n[B]\r\nw=4\r\n")
            << bom + "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n\r\n";
        QTest::newRow("repeated key: the first line counts")
            << QByteArray("[A]\r\nKey=1\r\nkey=2\r\n") << bom + "[A]\r\nKey=1\r\n\r\n";
        QTest::newRow("unclosed header is a key, empty section kept")
            << QByteArray("[Empty]\r\n[S]\r\n[broken\r\n") << bom + "[Empty]\r\n\r\n[S]\r\n[broken=\r\n\r\n";
        QTest::newRow("truncated inside a line keeps what is readable")
            << QByteArray("[Settings]\r\nFormat=WEBP\r\nDestination=/home/us")
            << bom + "[Settings]\r\nFormat=WEBP\r\nDestination=/home/us\r\n\r\n";
        QTest::newRow("junk only") << QByteArray("garbage\r\n=\r\n;[x]\r\n]\r\n") << bom;
        QTest::newRow("empty") << QByteArray() << bom;
        QTest::newRow("non-ASCII text") << QByteArray("[Réglages]\r\nZiel=/home/ü/日本\r\n")
                                        << bom + "[Réglages]\r\nZiel=/home/ü/日本\r\n\r\n";
    }
    void rewrite()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, written);
        QCOMPARE(IniStore::parse(input).serialize(), written);
    }

    void invalidUtf8Raises_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::newRow("single-byte code page") << QByteArray("[Settings]\r\nDestination=C:\\Caf\xE9\r\n");
        QTest::newRow("cut inside a character") << QByteArray("[Settings]\r\nDestination=/home/\xC3");
        QTest::newRow("overlong form") << QByteArray("[S]\r\na=\xC0\xAF\r\n");
        QTest::newRow("encoded surrogate") << QByteArray("[S]\r\na=\xED\xA0\x80\r\n");
    }
    void invalidUtf8Raises()
    {
        QFETCH(QByteArray, input);
        QVERIFY_THROWS_EXCEPTION(MirelonError, IniStore::parse(input));
    }

    void namesMatchInAnyCaseAndKeepTheirPlace()
    {
        IniStore store = IniStore::parse("[settings]\r\ndestination=/a\r\n[Other]\r\nk=v\r\n");
        QCOMPARE(store.value(QStringLiteral("SETTINGS"), QStringLiteral("Destination"), QStringLiteral("d")),
                 QStringLiteral("/a"));
        QCOMPARE(store.value(QStringLiteral("Settings"), QStringLiteral("Format"), QStringLiteral("PNG")),
                 QStringLiteral("PNG"));
        QCOMPARE(store.value(QStringLiteral("Missing"), QStringLiteral("k"), QString()), QString());

        store.setValue(QStringLiteral("Settings"), QStringLiteral("Destination"), QStringLiteral("/b"));
        store.setValue(QStringLiteral("Settings"), QStringLiteral("Format"), QStringLiteral("JPG"));
        store.setValue(QStringLiteral("New"), QStringLiteral("x"), QString());
        QCOMPARE(store.serialize(),
                 bom + "[settings]\r\ndestination=/b\r\nFormat=JPG\r\n\r\n[Other]\r\nk=v\r\n\r\n[New]\r\nx=\r\n\r\n");
    }

    // A value is stored only when it reads back the same; otherwise it is refused and the
    // store keeps what it had.
    void storedValuesComeBackTheSame_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("stored");
        QTest::newRow("inner blanks") << "/home/me/my out" << true;
        QTest::newRow("inner tab and =") << "/a\tb=c" << true;
        QTest::newRow("non-ASCII") << QString::fromUtf8("/home/ü/日本") << true;
        QTest::newRow("empty") << "" << true;
        QTest::newRow("line break") << "/a\r\n[Evil]" << false;
        QTest::newRow("leading blank") << " /home/me/out" << false;
        QTest::newRow("trailing blank") << "/home/me/out " << false;
        QTest::newRow("leading tab") << "\t/out" << false;
        QTest::newRow("trailing control character") << "/out\x01" << false;
    }
    void storedValuesComeBackTheSame()
    {
        QFETCH(QString, value);
        QFETCH(bool, stored);
        IniStore store = IniStore::parse("[Settings]\r\nDestination=/a\r\n");
        const QString key = QStringLiteral("Destination");
        QCOMPARE(IniStore::CanHoldValue(value), stored);
        if (stored) {
            store.setValue(QStringLiteral("Settings"), key, value);
            QCOMPARE(IniStore::parse(store.serialize()).value(QStringLiteral("Settings"), key, QStringLiteral("-")), value);
        } else {
            QVERIFY_THROWS_EXCEPTION(MirelonError, store.setValue(QStringLiteral("Settings"), key, value));
            QCOMPARE(store.serialize(), bom + "[Settings]\r\nDestination=/a\r\n\r\n");
        }
    }

    void saveReplacesTheWholeFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("settings.ini"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(4096, 'x'));
        old.close();

        IniStore store(path);
        store.setValue(QStringLiteral("Settings"), QStringLiteral("Destination"), QStringLiteral("/tmp/out"));
        store.save();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), bom + "[Settings]\r\nDestination=/tmp/out\r\n\r\n");
        QCOMPARE(IniStore::open(path).value(QStringLiteral("Settings"), QStringLiteral("Destination"), QString()),
                 QStringLiteral("/tmp/out"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("settings.ini")});
    }

    void failedSaveRaisesWithThePath()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("missing/settings.ini"));
        IniStore store(path);
        store.setValue(QStringLiteral("Settings"), QStringLiteral("Format"), QStringLiteral("BMP"));
        try {
            store.save();
            QFAIL("save into a missing folder succeeded");
        } catch (const MirelonError &error) {
            QVERIFY2(error.message().contains(path), qPrintable(error.message()));
        }
    }
};

QTEST_GUILESS_MAIN(TestIniStore)
#include "tst_inistore.moc"
