#include "app/RestartApplication.h"
#include "app/SettingsLocation.h"
#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class TestSettingsLocation : public QObject {
    Q_OBJECT

private slots:
    void chooseFolder_data()
    {
        QTest::addColumn<QString>("exeState");
        QTest::addColumn<bool>("beside");
        QTest::newRow("writable executable folder") << QStringLiteral("writable") << true;
        QTest::newRow("chk.tmp in the executable folder") << QStringLiteral("chk.tmp") << false;
        QTest::newRow("executable folder not writable") << QStringLiteral("missing") << false;
    }
    void chooseFolder()
    {
        QFETCH(QString, exeState);
        QFETCH(bool, beside);
        QTemporaryDir exeDir, home;
        // The config folder itself need not exist yet.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
        QString exeFolder = exeDir.path();
        if (exeState == QLatin1String("chk.tmp"))
            writeFile(exeDir.filePath(QStringLiteral("chk.tmp")), QByteArray());
        else if (exeState == QLatin1String("missing"))
            exeFolder = exeDir.filePath(QStringLiteral("gone"));

        const QString configFolder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        QCOMPARE(configFolder, home.filePath(QStringLiteral("config")));
        const QString chosen = ChooseSettingsDir(exeFolder, configFolder, QStringLiteral("KORVANE"), QStringLiteral("Mirelon"));

        if (beside) {
            QCOMPARE(chosen, exeFolder + QLatin1Char('/'));
            QVERIFY(!QFile::exists(exeDir.filePath(QStringLiteral("chk.tmp"))));
            QVERIFY(!QFile::exists(configFolder));
        } else {
            QCOMPARE(chosen, configFolder + QStringLiteral("/KORVANE/Mirelon/"));
            QVERIFY(QFileInfo(chosen).isDir());
            // Already there at the next start: still chosen, nothing fails.
            QCOMPARE(ChooseSettingsDir(exeFolder, configFolder, QStringLiteral("KORVANE"), QStringLiteral("Mirelon")), chosen);
        }
        qunsetenv("XDG_CONFIG_HOME");
    }

    void openWithRecovery_data()
    {
        QTest::addColumn<QByteArray>("content"); // "-" for no file
        QTest::addColumn<QString>("destination");
        QTest::addColumn<bool>("fileLeft");
        QTest::newRow("no file: empty, nothing created") << QByteArray("-") << QString() << false;
        QTest::newRow("valid file read") << QByteArray("[Settings]\r\nDestination=/out\r\n") << QStringLiteral("/out")
                                         << true;
        QTest::newRow("not UTF-8: deleted, empty") << QByteArray("[Settings]\r\nDestination=/caf\xE9\r\n") << QString()
                                                   << false;
    }
    void openWithRecovery()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, destination);
        QFETCH(bool, fileLeft);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("settings.ini"));
        if (content != "-")
            writeFile(path, content);
        const IniStore store = OpenSettingsStore(path);
        QCOMPARE(store.fileName(), path);
        QCOMPARE(store.value(QStringLiteral("Settings"), QStringLiteral("Destination"), QString()), destination);
        QCOMPARE(QFile::exists(path), fileLeft);
    }

    void unreadableEvenAfterDeletionRaises()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("settings.ini"));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("settings.ini/inside")));
        QVERIFY_THROWS_EXCEPTION(MirelonError, OpenSettingsStore(path));
    }

    void resetDeletesAndRestartsWithoutArguments()
    {
        QTemporaryDir dir;
        const QString settings = dir.filePath(QStringLiteral("settings.ini"));
        const QString marker = dir.filePath(QStringLiteral("started"));
        const QString executable = dir.filePath(QStringLiteral("fake-mirelon"));
        writeFile(settings, "[Settings]\r\n");
        writeFile(executable, "#!/bin/sh\necho \"$#\" > '" + QFile::encodeName(marker) + "'\n");
        QVERIFY(QFile::setPermissions(executable, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        DeleteSettingsAndRestart(settings, executable);
        QVERIFY(!QFile::exists(settings));
        QTRY_COMPARE(readFile(marker), QByteArray("0\n"));

        // Neither a missing file nor an executable that cannot start is reported.
        DeleteSettingsAndRestart(settings, dir.filePath(QStringLiteral("no-such-program")));
    }
};

QTEST_GUILESS_MAIN(TestSettingsLocation)
#include "tst_settingslocation.moc"
