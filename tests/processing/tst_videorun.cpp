// Videos in a window's run: the action's step sends them through the video program, the run
// reports their frames, Stop leaves nothing, and the time limit counts time without progress.
#include "processing/ActionRun.h"
#include "processing/BatchRun.h"
#include "processing/ImageJob.h"
#include "processing/RunStatusText.h"
#include "processing/VideoStep.h"
#include "tests/video/VideoClips.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace videoclips;

class TestVideoRun : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString clip;

    // Runs the action over `paths` into `out`; `onFrame` sees every progress line's frame.
    BatchSummary run(Action action, const QStringList &paths, const QString &out, const std::function<void(BatchRun &, qint64)> &onFrame,
                     QStringList *statuses = nullptr)
    {
        ActionRunValues values;
        values.phpDir = dir.path();
        values.settingsDir = dir.path() + "/";
        values.formatText = "PNG";
        BatchRun batch(paths, ActionImages(action, values, [out] { return out; }), BatchOptions{});
        QObject::connect(&batch, &BatchRun::imageOutput, [&](qsizetype index, const QByteArray &piece) {
            if (const std::optional<FrameCount> frames = LastFrameProgress(piece)) {
                if (statuses)
                    *statuses << VideoProcessingText(paths[index], frames->frame, frames->total);
                onFrame(batch, frames->frame);
            }
        });
        QSignalSpy finished(&batch, &BatchRun::finished);
        batch.start();
        if (finished.isEmpty())
            finished.wait(300000);
        return finished.at(0).at(0).value<BatchSummary>();
    }

private slots:
    void initTestCase()
    {
        clip = dir.filePath("clip.mp4");
        QVERIFY(MakePanningClip(clip, 2, {"-c:v", "libx264", "-c:a", "aac"}));
    }

    void videoAsOneImage()
    {
        const QString out = dir.filePath("out-blur");
        QVERIFY(QDir().mkpath(out));
        QStringList statuses;
        const BatchSummary summary = run(Action::BlurFacesInImage, {clip}, out, [](BatchRun &, qint64) {}, &statuses);
        QVERIFY(summary.failures.isEmpty());
        QCOMPARE(FolderEntries(out), QStringList{"output.mp4"});
        QCOMPARE(FrameTimes(out + "/output.mp4").size(), 50);
        QCOMPARE(statuses.last(), "Processing " + clip + "... frame 50 of 50");
    }

    void saveFacesRefusesVideo()
    {
        const QString out = dir.filePath("out-save");
        QVERIFY(QDir().mkpath(out));
        const BatchSummary summary = run(Action::SaveFacesAsSeparateImages, {clip}, out, [](BatchRun &, qint64) {});
        QCOMPARE(summary.failures.size(), 1);
        QVERIFY(summary.failures[0].reason.startsWith("Save Faces as Separate Images does not take videos"));
        QCOMPARE(FolderEntries(out), QStringList());
    }

    void stopMidVideoLeavesNothing()
    {
        const QString longClip = dir.filePath("long.mkv"), out = dir.filePath("out-stop");
        QVERIFY(MakePanningClip(longClip, 30, {"-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac"}));
        QVERIFY(QDir().mkpath(out));
        bool sawOutput = false;
        const BatchSummary summary = run(Action::MarkFacesInImage, {longClip}, out, [&](BatchRun &batch, qint64 frame) {
            if (frame > 1 && batch.isRunning()) {
                sawOutput = FolderEntries(out).size() == 2; // the reserved name and the passing name
                batch.stop();
            }
        });
        QVERIFY(summary.stopped);
        QVERIFY(sawOutput);
        QCOMPARE(FolderEntries(out), QStringList());
    }

    // A command that writes every 0.4 s for 1.6 s: over a limit of 1 s in all, never 1 s idle.
    void limitCountsIdleTime_data()
    {
        QTest::addColumn<bool>("idle");
        QTest::addColumn<bool>("timedOut");
        QTest::newRow("time in all") << false << true;
        QTest::newRow("time without output") << true << false;
    }
    void limitCountsIdleTime()
    {
        QFETCH(bool, idle);
        QFETCH(bool, timedOut);
        ImageJob job("for i in 1 2 3 4; do echo frame $i; sleep 0.4; done", dir.path(), std::chrono::seconds(1));
        job.setLimitCountsIdleTime(idle);
        QSignalSpy finished(&job, &ImageJob::finished);
        job.start();
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.at(0).at(0).value<ImageJobResult>().timedOut, timedOut);
    }
};

QTEST_MAIN(TestVideoRun)
#include "tst_videorun.moc"
