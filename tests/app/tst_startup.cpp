// Starts the real application from a copy in a fresh folder and checks what start-up leaves there.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void firstStartWritesSettingsBesideTheExecutable()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString executable = folder.filePath(QStringLiteral("mirelon"));
        QVERIFY(QFile::copy(QStringLiteral(MIRELON_BINARY_DIR "/mirelon"), executable));

        QProcess app;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("HOME"), folder.path());
        app.setProcessEnvironment(environment);
        app.start(executable, {});
        QVERIFY(app.waitForStarted());

        const QString settings = folder.filePath(QStringLiteral("settings.ini"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(settings), 10000);
        QCOMPARE(app.state(), QProcess::Running); // still up after writing: start-up went through
        app.kill();
        app.waitForFinished();

        QFile file(settings);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF[Settings]\r\nDestination="));
        QVERIFY(bytes.endsWith("\r\n\r\n"));
        QVERIFY(!bytes.contains("Format="));
        QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("chk.tmp"))));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
