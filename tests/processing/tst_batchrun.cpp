// The run loop over a list: order, images at once, failures, stop, an early end; its texts.
#include "ImageFixtures.h"

#include "platform/Errors.h"
#include "processing/BatchRun.h"
#include "processing/RunStatusText.h"
#include "processing/TimeLeft.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {
// Runs `paths` (each "path" is a shell command here) to the end and records what happened.
struct Recorded {
    BatchSummary summary;
    QList<ImageOutcome> outcomes;
    QList<QPair<qsizetype, int>> starts; // index, slot
    int mostAtOnce = 0;
};

Recorded runAll(const QStringList &commands, int maxJobs, const QString &folder,
                const std::function<void(BatchRun &, qsizetype)> &onStart = {},
                const std::function<PreparedImage(qsizetype, PreparedImage)> &adjust = {})
{
    Recorded recorded;
    int running = 0;
    BatchOptions options;
    options.maxJobs = maxJobs;
    BatchRun run(commands,
                 [&](qsizetype index, const QString &command, int slot) {
                     if (command == "raise")
                         throw MirelonError("Cannot create file");
                     recorded.starts.append({index, slot});
                     recorded.mostAtOnce = qMax(recorded.mostAtOnce, ++running);
                     PreparedImage prepared;
                     prepared.command = command;
                     prepared.workingDirectory = folder;
                     return adjust ? adjust(index, prepared) : prepared;
                 },
                 options);
    QObject::connect(&run, &BatchRun::imageStarted, [&](qsizetype index, const QString &) {
        if (onStart)
            onStart(run, index);
    });
    QObject::connect(&run, &BatchRun::imageFinished, [&](const ImageOutcome &outcome) {
        --running;
        recorded.outcomes << outcome;
    });
    QSignalSpy finished(&run, &BatchRun::finished);
    run.start();
    if (finished.isEmpty())
        finished.wait(20000);
    recorded.summary = finished.at(0).at(0).value<BatchSummary>();
    return recorded;
}
} // namespace

class TestBatchRun : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void oneAtATimeInListOrder()
    {
        const QString log = dir.filePath("order.log");
        QStringList commands;
        for (int i = 0; i < 4; ++i)
            commands << QString("sleep 0.0%1; echo %2 >> '%3'").arg(4 - i).arg(i).arg(log);
        const Recorded recorded = runAll(commands, 1, dir.path());
        QCOMPARE(ReadAll(log), QByteArray("0\n1\n2\n3\n"));
        QCOMPARE(recorded.mostAtOnce, 1);
        QCOMPARE(recorded.summary.done, 4);
        QVERIFY(recorded.summary.failures.isEmpty() && !recorded.summary.stopped);
    }

    // Images running at once never share a slot (each slot has its own script file).
    void severalAtOnce()
    {
        const Recorded recorded = runAll(QStringList(6, "sleep 0.2"), 3, dir.path());
        QCOMPARE(recorded.mostAtOnce, 3);
        QCOMPARE(recorded.summary.done, 6);
        QCOMPARE(recorded.starts.size(), 6);
        QCOMPARE(recorded.starts[0].second, 0);
        QCOMPARE(recorded.starts[1].second, 1);
        QCOMPARE(recorded.starts[2].second, 2);
    }

    // A failed image is listed with its reason and the run goes on; what it wrote unfinished
    // goes, among the files it named itself too.
    void failureGoesOnAndRemovesUnfinishedFiles()
    {
        const QString out = dir.filePath("fail");
        QVERIFY(QDir().mkpath(out));
        const QString cut = out + "/output.png";
        const QString face = out + "/face1.png";
        const QString wholeFace = out + "/face2.png"; // whole, but of a picture that failed
        const QStringList commands{"true", QString("printf '\\211PNG' > '%1'; printf '\\211PNG' > '%2'; cp '%3' '%4'")
                                               .arg(cut, face, QStringLiteral(MIRELON_SOURCE_DIR "/docs/main-window.png"), wholeFace),
                                   "echo 'PHP Warning:  no'", "exit 4"};
        const Recorded recorded = runAll(commands, 1, dir.path(), {}, [&](qsizetype index, PreparedImage prepared) {
            if (index == 1) {
                prepared.expectedOutputs = {cut};
                prepared.writtenOutputs = [face, wholeFace] { return QStringList{face, wholeFace}; };
            }
            return prepared;
        });
        QCOMPARE(recorded.summary.done, 4);
        QCOMPARE(recorded.summary.failures.size(), 3);
        QCOMPARE(recorded.summary.failures[0].reason, QString("The output is incomplete"));
        QCOMPARE(recorded.summary.failures[1].reason, QString("No"));
        QCOMPARE(recorded.summary.failures[2].reason, QString("The interpreter ended with exit code 4"));
        QCOMPARE(recorded.outcomes[1].removedOutputs, (QStringList{cut, face, wholeFace}));
        QVERIFY(Entries(out).isEmpty());
    }

    // Icons and metafiles fail at once with a plain reason: nothing is prepared or run for them.
    void unsearchablePicturesFailAtOnce()
    {
        QTemporaryDir dir;
        const QStringList commands{"echo first", "/p/icon.ICO", "/p/drawing.emf", "/p/old.wmf", "echo last"};
        const Recorded recorded = runAll(commands, 2, dir.path());
        QCOMPARE(recorded.summary.done, 5);
        QCOMPARE(recorded.starts.size(), 2);
        QCOMPARE(recorded.starts[1].first, 4);
        QCOMPARE(recorded.summary.failures.size(), 3);
        QCOMPARE(recorded.summary.failures[0].path, QString("/p/icon.ICO"));
        QCOMPARE(recorded.summary.failures[0].reason, QString("Mirelon cannot search ICO pictures for faces"));
        QCOMPARE(recorded.summary.failures[1].reason, QString("Mirelon cannot search EMF pictures for faces"));
        QCOMPARE(recorded.summary.failures[2].reason, QString("Mirelon cannot search WMF pictures for faces"));
    }

    void stopEndsTheImagesInHand()
    {
        const QStringList commands{"true", "sleep 5", "sleep 5", "true"};
        const Recorded recorded = runAll(commands, 2, dir.path(), [](BatchRun &run, qsizetype index) {
            if (index == 2)
                QTimer::singleShot(100, &run, &BatchRun::stop);
        });
        QVERIFY(recorded.summary.stopped);
        QCOMPARE(recorded.summary.done, 1);
        QCOMPARE(recorded.outcomes.size(), 3);
        QCOMPARE(RunEndText(recorded.summary), QString("Stopped: 1 of 4 images done"));
    }

    void errorInThePrepareStepEndsTheRun()
    {
        const Recorded recorded = runAll({"true", "raise", "true"}, 1, dir.path());
        QCOMPARE(recorded.summary.error, QString("Cannot create file"));
        QCOMPARE(recorded.summary.done, 1);
        QCOMPARE(recorded.starts.size(), 1);
    }

    void emptyList()
    {
        const Recorded recorded = runAll({}, 1, dir.path());
        QCOMPARE(recorded.summary.total, 0);
        QCOMPARE(RunEndText(recorded.summary), QString("Completed"));
    }

    void timeLeft_data()
    {
        QTest::addColumn<qint64>("elapsed");
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("total");
        QTest::addColumn<QString>("text"); // empty: no estimate yet
        QTest::newRow("nothing done") << qint64(60000) << 0 << 10 << "";
        QTest::newRow("two quick ones") << qint64(2000) << 2 << 240 << "";
        QTest::newRow("three quick ones") << qint64(1500) << 3 << 240 << "about 2 min left";
        QTest::newRow("one slow one") << qint64(20000) << 1 << 4 << "about 1 min left";
        QTest::newRow("under half a minute") << qint64(3000) << 3 << 10 << "less than 1 min left";
        QTest::newRow("hours") << qint64(90000) << 3 << 400 << "about 3 h 19 min left";
        QTest::newRow("whole hours") << qint64(3600000) << 5 << 10 << "about 1 h left";
        QTest::newRow("all done") << qint64(5000) << 10 << 10 << "";
    }
    void timeLeft()
    {
        QFETCH(qint64, elapsed);
        QFETCH(int, done);
        QFETCH(int, total);
        QFETCH(QString, text);
        const std::optional<qint64> left = EstimateMillisecondsLeft(elapsed, done, total);
        QCOMPARE(left ? TimeLeftText(*left) : QString(), text);
    }

    void statusTexts()
    {
        QCOMPARE(ProcessingText("/photos/a.jpg", 12, 240, 70000), QString("Processing /photos/a.jpg... (12 of 240, about 1 min left)"));
        QCOMPARE(ProcessingText("/photos/a.jpg", 1, 240, std::nullopt), QString("Processing /photos/a.jpg... (1 of 240)"));
        BatchSummary summary;
        summary.total = summary.done = 5;
        summary.failures = {{"/a.jpg", "PHP Warning: x\nmore"}};
        QCOMPARE(RunEndText(summary), QString("Completed with 1 error"));
        QCOMPARE(FailedImagesText(summary.failures), QString("/a.jpg\n    PHP Warning: x"));
        summary.failures.append(FailedImage{"/b.jpg", "Stopped"});
        QCOMPARE(RunEndText(summary), QString("Completed with 2 errors"));
        summary.stopped = true;
        summary.done = 3;
        QCOMPARE(RunEndText(summary), QString("Stopped: 3 of 5 images done, 2 errors"));
    }
};

QTEST_GUILESS_MAIN(TestBatchRun)
#include "tst_batchrun.moc"
