#include "processing/RunConsoleCommand.h"

#include "processing/ImageJob.h"

#include <QEventLoop>
#include <QPlainTextEdit>
#include <QTextCursor>

int RunConsoleCommand(const QString &command, const QString &workingDirectory, const OutputSink &sink)
{
    ImageJob job(command, workingDirectory, std::chrono::milliseconds(0));
    if (sink)
        QObject::connect(&job, &ImageJob::output, sink);
    int exitStatus = -1;
    QEventLoop loop;
    QObject::connect(&job, &ImageJob::finished, &loop, [&](const ImageJobResult &result) {
        exitStatus = result.exitCode;
        loop.quit();
    });
    job.start();
    loop.exec();
    return exitStatus;
}

OutputSink AppendToTextBox(QPlainTextEdit *box)
{
    return [box](const QString &piece) {
        QTextCursor cursor(box->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(piece);
    };
}
