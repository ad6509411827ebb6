// The "Convert" command's checks and its end, with a recorded window.
#include "platform/Errors.h"
#include "processing/ConvertRun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#include <unistd.h>

namespace {
// Records what the command does to the window.
struct Recorder {
    QStringList events;
    int answer = 6;

    ConvertWindow window()
    {
        ConvertWindow w;
        w.confirm = [this](const QString &question) {
            events << "confirm:" + question;
            return answer;
        };
        w.showError = [this](const QString &text) { events << "error:" + text; };
        w.startRun = [this](Action action) { events << "action:" + QString::number(int(action)); };
        w.setStatus = [this](const QString &text) { events << "status:" + text; };
        w.beep = [this] { events << "beep"; };
        return w;
    }
};

// A php folder whose interpreter is a file that can be run.
QString phpDirIn(const QTemporaryDir &dir)
{
    QDir(dir.path()).mkpath("php");
    QFile interpreter(dir.filePath("php/php"));
    interpreter.open(QIODevice::WriteOnly);
    interpreter.setPermissions(interpreter.permissions() | QFileDevice::ExeOwner);
    return dir.filePath("php");
}
} // namespace

class TestConvertRun : public QObject {
    Q_OBJECT

private slots:
    void veryLargeCount_data()
    {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::addColumn<int>("count");
        QTest::newRow("1920 x 1920") << "1920" << "1920" << 0;
        QTest::newRow("1921 x 100") << "1921" << "100" << 1;
        QTest::newRow("100 x 1921") << "100" << "1921" << 1;
        QTest::newRow("not a number") << "wide" << "" << 0;
    }
    void veryLargeCount()
    {
        QFETCH(QString, width);
        QFETCH(QString, height);
        QFETCH(int, count);
        QCOMPARE(VeryLargeCount({{width, height}}), count);
    }

    void questionTexts()
    {
        QCOMPARE(VeryLargeQuestion(1), QString("1 image is very large!\r\rContinue?"));
        QCOMPARE(VeryLargeQuestion(2), QString("2 images are very large!\r\rContinue?"));
    }

    void refusalLeavesEverythingAsItWas_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("No") << 7;
        QTest::newRow("Escape or closed") << 2;
    }
    void refusalLeavesEverythingAsItWas()
    {
        QFETCH(int, answer);
        QTemporaryDir dir;
        Recorder recorder;
        recorder.answer = answer;
        Convert({{{"3000", "2000"}, {"2000", "10"}, {"10", "10"}}, phpDirIn(dir), dir.filePath("out"),
                 "Mark Faces in Image"},
                recorder.window());
        QCOMPARE(recorder.events, QStringList{"confirm:2 images are very large!\r\rContinue?"});
        QVERIFY(!QFile::exists(dir.filePath("out")));
    }

    // Only a file that can be run counts as the interpreter; anything else under its name is
    // reported as missing before anything is created.
    void missingInterpreter_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("absent") << "";
        QTest::newRow("a folder") << "folder";
        QTest::newRow("a file that cannot be run") << "plain file";
        QTest::newRow("a dangling link") << "dangling link";
        QTest::newRow("a link to a folder") << "link to folder";
    }
    void missingInterpreter()
    {
        QFETCH(QString, what);
        QTemporaryDir dir;
        QDir(dir.path()).mkpath("php");
        const QString interpreter = dir.filePath("php/php");
        if (what == "folder")
            QDir(dir.path()).mkpath("php/php");
        else if (what == "plain file")
            QFile(interpreter).open(QIODevice::WriteOnly);
        else if (what == "dangling link")
            QFile::link(dir.filePath("gone"), interpreter);
        else if (what == "link to folder")
            QFile::link(dir.path(), interpreter);
        Recorder recorder;
        Convert({{}, dir.filePath("php"), dir.filePath("out"), "Mark Faces in Image"}, recorder.window());
        QCOMPARE(recorder.events, QStringList{"error:File not found!\r\r" + interpreter});
        QVERIFY(!QFile::exists(dir.filePath("out")));
    }

    void emptyDestinationIsAnError()
    {
        QTemporaryDir dir;
        Recorder recorder;
        QVERIFY_THROWS_EXCEPTION(MirelonError, Convert({{}, phpDirIn(dir), "", "Mark Faces in Image"}, recorder.window()));
        QVERIFY(recorder.events.isEmpty()); // raised before the cursor changes
    }

    void destinationCreatedBeforeTheRun()
    {
        QTemporaryDir dir;
        Recorder recorder;
        Convert({{}, phpDirIn(dir), dir.filePath("A/B/C"), "Mark Faces in Image"}, recorder.window());
        QCOMPARE(recorder.events, QStringList{"action:1"});
        QVERIFY(QFileInfo(dir.filePath("A/B/C")).isDir());
    }

    void dispatchIsExact_data()
    {
        QTest::addColumn<QString>("actionText");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("export") << "Export Face Positions" << QStringList{"action:0"};
        QTest::newRow("mark") << "Mark Faces in Image" << QStringList{"action:1"};
        QTest::newRow("blur") << "Blur Faces in Image" << QStringList{"action:2"};
        QTest::newRow("save") << "Save Faces as Separate Images" << QStringList{"action:3"};
        QTest::newRow("other case") << "export face positions" << QStringList{"status:Completed", "beep"};
        QTest::newRow("trailing blank") << "Mark Faces in Image " << QStringList{"status:Completed", "beep"};
    }
    void dispatchIsExact()
    {
        QFETCH(QString, actionText);
        QFETCH(QStringList, calls);
        QTemporaryDir dir;
        Recorder recorder;
        Convert({{}, phpDirIn(dir), dir.filePath("out"), actionText}, recorder.window());
        QCOMPARE(recorder.events, calls);
    }

    // A destination that cannot take a file ends the command in an "ERROR" box before any
    // picture is searched: a path under a file, and a read-only mount (as root).
    void unwritableDestinationIsRefusedFirst()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath("file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        Recorder recorder;
        Convert({{}, phpDirIn(dir), dir.filePath("file/out"), "Mark Faces in Image"}, recorder.window());
        QCOMPARE(recorder.events.size(), 1);
        QVERIFY2(recorder.events[0].startsWith("error:Cannot write to the folder \"" + dir.filePath("file/out")),
                 qPrintable(recorder.events[0]));

        if (::geteuid() != 0)
            QSKIP("a read-only mount needs root");
        const QString readOnly = dir.filePath("ro");
        QVERIFY(QDir().mkpath(readOnly));
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "ro,size=64k", "tmpfs", readOnly}) != 0)
            QSKIP("cannot mount a read-only file system here");
        const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {readOnly}); });
        recorder.events.clear();
        Convert({{}, phpDirIn(dir), readOnly, "Save Faces as Separate Images"}, recorder.window());
        QCOMPARE(recorder.events, QStringList{"error:Cannot write to the folder \"" + readOnly + "\": Read-only file system"});
    }
};

QTEST_GUILESS_MAIN(TestConvertRun)
#include "tst_convertrun.moc"
