#pragma once
#include "app/convert/ConvertOptions.h"
#include "app/convert/ConvertReport.h"
#include "processing/PictureOutputs.h"
#include "app/convert/StopSignals.h"
#include "processing/InOrderPublisher.h"

#include "platform/PrivateRunFolder.h"

#include <QObject>

#include <memory>
#include <vector>

class BatchRun;
struct PreparedImage;

// One run of mirelon-convert over its pictures: up to --jobs pictures at a time, each with its
// script and outputs in a private folder of its own; outputs move into the destination in the
// pictures' order as soon as every earlier picture has ended, so the names do not depend on
// which job ends first. Ends the application's event loop with the command's exit status.
class ConvertCommand : public QObject {
    Q_OBJECT
public:
    ConvertCommand(const ConvertOptions &options, const QStringList &pictures, const QString &phpDir,
                   const QString &destination, const ReportStyle &style);
    ~ConvertCommand() override;

    // Starts the run; false (with the reason on standard error) when the private folder
    // cannot be made.
    bool start();

private:
    QString stagingFolder(int index) const;
    PreparedImage prepare(qsizetype index, const QString &picture);
    void imageEnded(int index, const QString &failure, const QString &output);
    void publish(int index);
    QList<StagedOutput> stagedOutputs(int index) const;
    void runEnded();

    ConvertOptions options_;
    QStringList pictures_;
    QString phpDir_;
    QString libraryPath_;
    QString destination_;
    std::unique_ptr<PrivateRunFolder> private_;
    ConvertReport report_;
    StopSignals signals_;
    BatchRun *run_ = nullptr;
    std::vector<bool> isVideo_; // by the file's content, read when the run starts
    InOrderPublisher publisher_;
    qsizetype lastPrepared_ = -1; // the picture a failed prepare step was for
    int done_ = 0;
    int failed_ = 0;
};
