// Installs the built application into a fresh prefix and checks that everything it runs with
// lands where it looks for it.
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestInstall : public QObject {
    Q_OBJECT
    QTemporaryDir prefix;

private slots:
    void initTestCase()
    {
        QVERIFY(prefix.isValid());
        QProcess install;
        install.start(QStringLiteral("cmake"), {QStringLiteral("--install"), QStringLiteral(MIRELON_BINARY_DIR),
                                                QStringLiteral("--prefix"), prefix.path()});
        QVERIFY(install.waitForFinished(120000));
        QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
    }

    void layout_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("executable");
        QTest::newRow("application") << "lib/mirelon/mirelon" << true;
        QTest::newRow("link in bin") << "bin/mirelon" << true;
        QTest::newRow("command") << "lib/mirelon/mirelon-convert" << true;
        QTest::newRow("command's link in bin") << "bin/mirelon-convert" << true;
        QTest::newRow("manual") << "share/man/man1/mirelon.1.gz" << false;
        QTest::newRow("command's manual") << "share/man/man1/mirelon-convert.1.gz" << false;
        QTest::newRow("copyright") << "share/doc/mirelon/copyright" << false;
        QTest::newRow("changelog") << "share/doc/mirelon/changelog.gz" << false;
        QTest::newRow("interpreter") << "lib/mirelon/php/php" << true;
        QTest::newRow("detection library") << "lib/mirelon/FaceDetector.php" << false;
        QTest::newRow("detection engine") << "lib/mirelon/mirelon-facedetect" << true;
        QTest::newRow("model") << "lib/mirelon/yunet_n_640_640.onnx" << false;
        QTest::newRow("licence") << "lib/mirelon/license.txt" << false;
        QTest::newRow("menu entry") << "share/applications/mirelon.desktop" << false;
        QTest::newRow("icon") << "share/icons/hicolor/scalable/apps/mirelon.svg" << false;
        QTest::newRow("icon, 48 pixels") << "share/icons/hicolor/48x48/apps/mirelon.png" << false;
        QTest::newRow("icon, 256 pixels") << "share/icons/hicolor/256x256/apps/mirelon.png" << false;
    }
    void layout()
    {
        QFETCH(QString, path);
        QFETCH(bool, executable);
        const QFileInfo file(prefix.filePath(path));
        QVERIFY2(file.exists(), qPrintable(file.filePath())); // a link counts only when it resolves
        QCOMPARE(file.isExecutable(), executable);
    }

    void binLinkLeadsToTheApplication()
    {
        QCOMPARE(QFileInfo(prefix.filePath(QStringLiteral("bin/mirelon"))).canonicalFilePath(),
                 QFileInfo(prefix.filePath(QStringLiteral("lib/mirelon/mirelon"))).canonicalFilePath());
    }

    void installedDetectorRuns()
    {
        QProcess php;
        php.setWorkingDirectory(prefix.filePath(QStringLiteral("lib/mirelon/php")));
        php.start(prefix.filePath(QStringLiteral("lib/mirelon/php/php")),
                  {QStringLiteral("-r"),
                   QStringLiteral("include '../FaceDetector.php'; $d = new FaceDetector(); $i = imagecreatetruecolor(64, 48);"
                                  " imagepng($i, 'blank.png'); $d->scan(realpath('blank.png')); unlink('blank.png');"
                                  " echo count($d->getFaces());")});
        QVERIFY(php.waitForFinished(60000));
        QCOMPARE(php.readAllStandardOutput(), QByteArray("0"));
        QCOMPARE(php.exitCode(), 0);
    }

    // Through its link in bin/, the command finds php/ and the library beside the real file.
    void installedCommandRuns()
    {
        QTemporaryDir work;
        QProcess php;
        php.start(prefix.filePath(QStringLiteral("lib/mirelon/php/php")),
                  {QStringLiteral("-r"), QStringLiteral("imagepng(imagecreatetruecolor(64, 48), $argv[1]);"),
                   work.filePath(QStringLiteral("blank.png"))});
        QVERIFY(php.waitForFinished(60000));
        QProcess command;
        command.start(prefix.filePath(QStringLiteral("bin/mirelon-convert")),
                      {QStringLiteral("--action"), QStringLiteral("export"), QStringLiteral("--destination"),
                       work.filePath(QStringLiteral("out")), work.filePath(QStringLiteral("blank.png"))});
        QVERIFY(command.waitForFinished(60000));
        QVERIFY2(command.exitCode() == 0, command.readAllStandardError().constData());
        QVERIFY(QFileInfo(work.filePath(QStringLiteral("out/blank.txt"))).isFile());
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
