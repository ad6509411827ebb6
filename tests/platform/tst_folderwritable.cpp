#include "platform/FolderWritable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Tests run as root here, where permission bits do not stop writes: unwritable folders are
// made by an existing chk.tmp or by a folder that does not exist.
class TestFolderWritable : public QObject {
    Q_OBJECT

private slots:
    void probe_data()
    {
        QTest::addColumn<QString>("subfolder");
        QTest::addColumn<bool>("plantProbeFile");
        QTest::addColumn<bool>("trailingSlash");
        QTest::addColumn<bool>("writable");
        QTest::newRow("writable") << QString() << false << false << true;
        QTest::newRow("writable, trailing slash") << QString() << false << true << true;
        QTest::newRow("chk.tmp already there") << QString() << true << false << false;
        QTest::newRow("folder missing") << QStringLiteral("missing") << false << false << false;
    }
    void probe()
    {
        QFETCH(QString, subfolder);
        QFETCH(bool, plantProbeFile);
        QFETCH(bool, trailingSlash);
        QFETCH(bool, writable);
        QTemporaryDir dir;
        const QString probePath = dir.filePath(QStringLiteral("chk.tmp"));
        if (plantProbeFile) {
            QFile planted(probePath);
            QVERIFY(planted.open(QIODevice::WriteOnly));
            planted.write("someone else's");
        }
        QString folder = subfolder.isEmpty() ? dir.path() : dir.filePath(subfolder);
        if (trailingSlash)
            folder += QLatin1Char('/');

        QCOMPARE(IsFolderWritable(folder), writable);

        // Ours is gone; someone else's is left as it was.
        QCOMPARE(QFile::exists(probePath), plantProbeFile);
        if (plantProbeFile) {
            QFile planted(probePath);
            QVERIFY(planted.open(QIODevice::ReadOnly));
            QCOMPARE(planted.readAll(), QByteArray("someone else's"));
        }
    }
};

QTEST_GUILESS_MAIN(TestFolderWritable)
#include "tst_folderwritable.moc"
