#include "processing/ConvertRun.h"

#include "platform/Errors.h"
#include "processing/PhpRuntime.h"

#include <QDir>
#include <QFileInfo>

namespace {
constexpr int LargeImageThreshold = 1920;
constexpr int ModalResultYes = 6;

int pixels(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? value : 0;
}

// Sets the busy cursor and puts the normal one back on every way out.
class BusyCursor {
public:
    explicit BusyCursor(const std::function<void(bool)> &set) : set_(set) { set_(true); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
    ~BusyCursor() { set_(false); }

private:
    const std::function<void(bool)> &set_;
};
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

    {
        const BusyCursor busy(window.setBusyCursor);
        window.processEvents();
        if (const std::optional<Action> action = ActionNamed(request.actionText))
            window.runAction(*action);
    }
    window.setStatus(QStringLiteral("Completed"));
    window.beep();
}
