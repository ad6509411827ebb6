// The console runner with the real shell.
#include "processing/RunConsoleCommand.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

namespace {
QStringList run(const QString &command, const QString &directory)
{
    QStringList pieces;
    RunConsoleCommand(command, directory, [&pieces](const QString &piece) { pieces << piece; });
    return pieces;
}
} // namespace

class TestRunConsoleCommand : public QObject {
    Q_OBJECT

private slots:
    void output_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("expected");
        QTest::newRow("nothing written") << "true" << "";
        QTest::newRow("1000 bytes in one go") << "head -c 1000 /dev/zero | tr '\\0' x" << QString(1000, QLatin1Char('x'));
        QTest::newRow("standard error in order") << "echo one; echo two >&2; echo three; echo four >&2"
                                                 << "one\ntwo\nthree\nfour\n";
        QTest::newRow("failing command") << "echo before; exit 3" << "before\n";
        QTest::newRow("character split between pieces")
            << QString::fromUtf8("printf '%0254dçğ' 0") << QString(254, QLatin1Char('0')) + QString::fromUtf8("çğ");
    }
    void output()
    {
        QFETCH(QString, command);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QStringList pieces = run(command, dir.path());
        for (const QString &piece : pieces)
            QVERIFY(piece.toUtf8().size() <= 256); // 255 bytes plus a rejoined character
        QCOMPARE(pieces.join(QString()), expected);
        if (expected.size() == 1000)
            QVERIFY(pieces.size() >= 4);
    }

    void runsInWorkingFolderAndReturnsAfterTheEnd()
    {
        QTemporaryDir dir;
        // The marker is written after the output has been closed: only waiting for the process sees it.
        const QStringList pieces = run("pwd; exec >&- 2>&-; sleep 0.3; touch marker", dir.path());
        QCOMPARE(pieces.join(QString()), dir.path() + "\n");
        QVERIFY(QFile::exists(dir.filePath("marker")));
    }

    void cannotStartReturnsQuietly()
    {
        QTemporaryDir dir;
        const QStringList pieces = run("touch " + dir.filePath("ran"), dir.filePath("missing"));
        QVERIFY(pieces.isEmpty());
        QVERIFY(!QFile::exists(dir.filePath("ran")));
    }

    void appendsToTheTextBox()
    {
        QTemporaryDir dir;
        QPlainTextEdit box;
        box.setPlainText("cmd\n");
        RunConsoleCommand("printf 'a\\nb'", dir.path(), AppendToTextBox(&box));
        QCOMPARE(box.toPlainText(), QString("cmd\na\nb"));
    }
};

QTEST_MAIN(TestRunConsoleCommand)
#include "tst_runconsolecommand.moc"
