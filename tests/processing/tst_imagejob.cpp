// One image's command run without blocking: output, exit, time limit, stop, bounded output.
#include "processing/ImageJob.h"
#include "tests/support/RunningProcesses.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace std::chrono_literals;

namespace {
struct Ran {
    ImageJobResult result;
    qint64 milliseconds = 0;
};

// Runs `command` to its end; `duringRun` is called once the job has started.
Ran run(const QString &command, const QString &directory, std::chrono::milliseconds limit = 0ms,
        const std::function<void(ImageJob &)> &duringRun = {})
{
    Ran ran;
    ImageJob job(command, directory, limit);
    QSignalSpy finished(&job, &ImageJob::finished);
    QElapsedTimer clock;
    clock.start();
    job.start();
    if (duringRun)
        duringRun(job);
    if (finished.isEmpty() && !finished.wait(20000))
        qFatal("the job did not finish");
    ran.milliseconds = clock.elapsed();
    ran.result = finished.at(0).at(0).value<ImageJobResult>();
    return ran;
}

} // namespace

class TestImageJob : public QObject {
    Q_OBJECT

private slots:
    void outputAndExit_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("nothing written") << "true" << "" << 0;
        QTest::newRow("1000 bytes in one go") << "head -c 1000 /dev/zero | tr '\\0' x" << QString(1000, 'x') << 0;
        QTest::newRow("standard error in order") << "echo one; echo two >&2; echo three" << "one\ntwo\nthree\n" << 0;
        QTest::newRow("exit code") << "echo before; exit 3" << "before\n" << 3;
        QTest::newRow("UTF-8 text")
            << QString::fromUtf8("printf '%0254dçğ' 0") << QString(254, '0') + QString::fromUtf8("çğ") << 0;
        QTest::newRow("reads nothing") << "cat; echo done" << "done\n" << 0;
    }
    void outputAndExit()
    {
        QFETCH(QString, command);
        QFETCH(QString, expected);
        QFETCH(int, exitCode);
        QTemporaryDir dir;
        const Ran ran = run(command, dir.path());
        QCOMPARE(QString::fromUtf8(ran.result.output), expected);
        QCOMPARE(ran.result.exitCode, exitCode);
        QVERIFY(ran.result.started && !ran.result.crashed && !ran.result.stopped && !ran.result.timedOut);
    }

    void runsInTheWorkingFolder()
    {
        QTemporaryDir dir;
        QCOMPARE(run("pwd", dir.path()).result.output, dir.path().toUtf8() + "\n");
    }

    void cannotStart()
    {
        QTemporaryDir dir;
        const Ran ran = run("touch " + dir.filePath("ran"), dir.filePath("missing"));
        QVERIFY(!ran.result.started);
        QVERIFY(!ran.result.startError.isEmpty());
        QVERIFY(!QFile::exists(dir.filePath("ran")));
    }

    void crash()
    {
        QTemporaryDir dir;
        const Ran ran = run("kill -SEGV $$", dir.path());
        QVERIFY(ran.result.crashed);
        QCOMPARE(ran.result.signal, SIGSEGV);
    }

    // Stop and the time limit end the shell and everything it started at once.
    void stopAndTimeLimitEndTheWholeGroup_data()
    {
        QTest::addColumn<bool>("byStop");
        QTest::newRow("stop") << true;
        QTest::newRow("time limit") << false;
    }
    void stopAndTimeLimitEndTheWholeGroup()
    {
        QFETCH(bool, byStop);
        QTemporaryDir dir;
        const char *marker = byStop ? "987.25" : "987.5";
        const QString command = QString("sleep %1 & sleep %1; touch ").arg(marker) + dir.filePath("after");
        const Ran ran = run(command, dir.path(), byStop ? 0ms : 300ms, [byStop](ImageJob &job) {
            if (byStop) {
                QTest::qWait(300);
                job.stop();
            }
        });
        QCOMPARE(ran.result.stopped, byStop);
        QCOMPARE(ran.result.timedOut, !byStop);
        QVERIFY2(ran.milliseconds < 300 + 500, qPrintable(QString::number(ran.milliseconds)));
        QVERIFY(!QFile::exists(dir.filePath("after")));
        QVERIFY(QTest::qWaitFor([&] { return ProcessesWithCommandLine(SleepCommandLine(marker)).isEmpty(); }, 1000));
    }

    // A command that never stops writing: the window keeps only the first and last part.
    void outputIsBounded()
    {
        QTemporaryDir dir;
        ImageJob job("head -c 20000000 /dev/zero | tr '\\0' x; echo; echo last line", dir.path(), 0ms);
        QSignalSpy finished(&job, &ImageJob::finished);
        job.start();
        QVERIFY(finished.wait(20000));
        const ImageJobResult result = finished.at(0).at(0).value<ImageJobResult>();
        QCOMPARE(result.outputBytes, 20000000 + 11);
        QVERIFY(result.output.size() < ImageJob::KeptOutputHead + ImageJob::KeptOutputTail + 100);
        QVERIFY(result.output.startsWith(QByteArray(1000, 'x')));
        QVERIFY(result.output.contains(" bytes of output left out ...]\n"));
        QVERIFY(result.output.endsWith("x\nlast line\n"));
    }

    // Destroying a running job ends its group and reaps the shell.
    void destroyedWhileRunning()
    {
        QTemporaryDir dir;
        {
            ImageJob job("sleep 987.75", dir.path(), 0ms);
            job.start();
            QTRY_VERIFY(!ProcessesWithCommandLine(SleepCommandLine("987.75")).isEmpty());
        }
        QTRY_VERIFY_WITH_TIMEOUT(ProcessesWithCommandLine(SleepCommandLine("987.75")).isEmpty(), 1000); // SIGKILL takes a moment
    }
};

QTEST_GUILESS_MAIN(TestImageJob)
#include "tst_imagejob.moc"
