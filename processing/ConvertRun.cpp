#include "processing/ConvertRun.h"

#include "platform/Errors.h"
#include "platform/FolderWritable.h"
#include "processing/PhpRuntime.h"

#include <QDir>
#include <QFileInfo>

namespace {
constexpr int LargeImageThreshold = 1920;
constexpr int ModalResultYes = 6;
constexpr qint64 DefaultImageTimeLimitSeconds = 600;

int pixels(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? value : 0;
}

} // namespace

int VeryLargeCount(const QList<EntrySize> &sizes)
{
    int count = 0;
    for (const EntrySize &size : sizes) {
        if (pixels(size.width) > LargeImageThreshold || pixels(size.height) > LargeImageThreshold)
            ++count;
    }
    return count;
}

QString VeryLargeQuestion(int count)
{
    const QString first = count == 1 ? QStringLiteral("1 image is very large!")
                                     : QString::number(count) + QStringLiteral(" images are very large!");
    return first + QStringLiteral("\r\rContinue?");
}

QString InterpreterMissingText(const QString &interpreterFile)
{
    return QStringLiteral("File not found!\r\r") + interpreterFile;
}

std::chrono::seconds ImageTimeLimitFrom(const QString &text)
{
    bool ok = false;
    const qint64 seconds = text.trimmed().toLongLong(&ok);
    return std::chrono::seconds(ok && seconds > 0 ? seconds : DefaultImageTimeLimitSeconds);
}

void CreateDestination(const QString &destination)
{
    if (destination.isEmpty())
        throw MirelonError(QStringLiteral("Unable to create directory"));
    QDir().mkpath(AbsoluteToCurrentFolder(destination));
}

void Convert(const ConvertRequest &request, const ConvertWindow &window)
{
    const int veryLarge = VeryLargeCount(request.sizes);
    if (veryLarge > 0 && window.confirm(VeryLargeQuestion(veryLarge)) != ModalResultYes)
        return;

    const QString interpreter = InterpreterFile(request.phpDir);
    if (!IsRunnableFile(interpreter)) {
        window.showError(InterpreterMissingText(interpreter));
        return;
    }

    CreateDestination(request.destination);
    // A destination that takes no files is found out before any picture is searched.
    try {
        CheckFolderWritable(AbsoluteToCurrentFolder(request.destination));
    } catch (const MirelonError &error) {
        window.showError(error.message());
        return;
    }

    if (const std::optional<Action> action = ActionNamed(request.actionText)) {
        window.startRun(*action);
        return;
    }
    window.setStatus(QStringLiteral("Completed"));
    window.beep();
}
