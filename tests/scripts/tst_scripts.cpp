// The action scripts byte for byte, and the quoting of inserted values checked against the
// real PHP interpreter and the real shell.
#include "scripts/ActionScripts.h"
#include "scripts/PhpLiteral.h"
#include "scripts/ScriptFrame.h"
#include "scripts/ShellQuote.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct ScriptValues {
    QString library, input, textPath, base, format, directory;
};

// The values the golden files were written with.
ScriptValues goldenValues(const QString &name)
{
    if (name == QLatin1String("ordinary"))
        return {"/opt/mirelon/FaceDetector.php", "/home/user/Pictures/IMG 0001.jpg", "/home/user/Out/output.txt",
                "/home/user/Out/output (2)", "png", "/home/user/Out"};
    return {"/opt/it's/FaceDetector.php", QString::fromUtf8("/home/o'neil/a\\b $x `y` \"q\" çiğdem.png"),
            "/tmp/d'\\/output (3).txt", "/tmp/d'\\/output", "webp", "\\\\srv/it's"};
}

QByteArray golden(const QString &file)
{
    QFile f(QStringLiteral(MIRELON_SOURCE_DIR "/tests/scripts/golden/") + file);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing golden file %s", qPrintable(file));
    QByteArray text = f.readAll();
    return text.replace("\n", "\r\n");
}

QByteArray runPhp(const QByteArray &script)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("t.php"));
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(script);
    file.close();
    QProcess php;
    php.start(QStringLiteral("/usr/bin/php"), {file.fileName()});
    php.waitForFinished();
    return php.readAllStandardOutput();
}
} // namespace

class TestScripts : public QObject {
    Q_OBJECT

private slots:
    void goldenText_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("values");
        for (const char *action : {"export", "mark", "blur", "savefaces"})
            for (const char *values : {"ordinary", "escaped"})
                QTest::addRow("%s %s", action, values) << action << values;
    }
    void goldenText()
    {
        QFETCH(QString, action);
        QFETCH(QString, values);
        const ScriptValues v = goldenValues(values);
        QStringList lines;
        if (action == QLatin1String("export"))
            lines = ExportFacePositionsScript(v.library, v.input, v.textPath);
        else if (action == QLatin1String("mark"))
            lines = MarkFacesInImageScript(v.library, v.input, v.format, v.base);
        else if (action == QLatin1String("blur"))
            lines = BlurFacesInImageScript(v.library, v.input, v.format, v.base);
        else
            lines = SaveFacesAsSeparateImagesScript(v.library, v.input, v.format, v.directory);
        const QByteArray bytes = EncodeScript(lines);
        QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(bytes.endsWith("?>\r\n"));
        const QString goldenName = action + QLatin1Char('-') + values + QStringLiteral(".txt");
        if (qEnvironmentVariableIsSet("MIRELON_WRITE_GOLDEN")) { // after a deliberate change of a script
            QFile f(QStringLiteral(MIRELON_SOURCE_DIR "/tests/scripts/golden/") + goldenName);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(QByteArray(bytes).replace("\r\n", "\n")) > 0);
        }
        QCOMPARE(bytes, golden(action + QLatin1Char('-') + values + QStringLiteral(".txt")));
    }

    // PHP reads every value back exactly, whatever it holds.
    void phpLiteralRoundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("apostrophe") << "/home/o'neil/x.png";
        QTest::newRow("closing and code") << "'); echo 'pwned'; ('";
        QTest::newRow("leading double backslash") << "\\\\server\\share\\a.png";
        QTest::newRow("trailing backslash") << "/tmp/dir\\";
        QTest::newRow("dollar, backtick, double quote") << "/tmp/$HOME `id` \"q\" {$x}";
        QTest::newRow("non-ASCII") << QString::fromUtf8("/tmp/çiğdem/фото 写真.jpg");
        QTest::newRow("php closing tag") << "/tmp/?>x";
    }
    void phpLiteralRoundTrip()
    {
        QFETCH(QString, value);
        const QByteArray script = "<?php echo '" + PhpQuoted(value).toUtf8() + "';";
        QCOMPARE(QString::fromUtf8(runPhp(script)), value);
    }

    // The shell passes every value through as one word, expanding nothing.
    void shellQuotingRoundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("blanks") << "/tmp/a b/c  d";
        QTest::newRow("apostrophes") << "it's 'quoted'";
        QTest::newRow("expansions") << "$HOME $(id) `id` ${x} ~ *";
        QTest::newRow("separators") << "a; touch pwned & b | c > d";
        QTest::newRow("double quote and backslash") << "\"x\\\"";
        QTest::newRow("non-ASCII") << QString::fromUtf8("çiğdem фото");
        QTest::newRow("empty") << "";
    }
    void shellQuotingRoundTrip()
    {
        QFETCH(QString, value);
        QTemporaryDir dir;
        QProcess sh;
        sh.setWorkingDirectory(dir.path());
        sh.start(QStringLiteral("/bin/sh"),
                 {QStringLiteral("-c"), QStringLiteral("printf '%s|%s' ") + InterpreterCommand(value, value)});
        QVERIFY(sh.waitForFinished());
        QCOMPARE(QString::fromUtf8(sh.readAllStandardOutput()), value + QLatin1Char('|') + value);
        QVERIFY(!QFile::exists(dir.filePath("pwned")));
    }
};

QTEST_GUILESS_MAIN(TestScripts)
#include "tst_scripts.moc"
