#include "processing/RunConsoleCommand.h"

#include "processing/ImageJob.h"

#include <QEventLoop>
#include <QPlainTextEdit>
#include <QTextCursor>

void RunConsoleCommand(const QString &command, const QString &workingDirectory, const OutputSink &sink)
{
    ImageJob job(command, workingDirectory, std::chrono::milliseconds(0));
    if (sink)
        QObject::connect(&job, &ImageJob::output, sink);
    QEventLoop loop;
    QObject::connect(&job, &ImageJob::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
}

OutputSink AppendToTextBox(QPlainTextEdit *box)
{
    return [box](const QString &piece) {
        QTextCursor cursor(box->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(piece);
    };
}
