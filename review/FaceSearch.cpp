#include "review/FaceSearch.h"

#include "platform/Errors.h"

#include <QFileInfo>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <algorithm>

EngineResult ParseEngineResult(const QByteArray &output)
{
    static const QRegularExpression line(QStringLiteral("^(\\d{1,9}) (\\d{1,9}) (\\d{1,9}) (\\d{1,9})$"));
    static const QRegularExpression orientationLine(QStringLiteral("^orientation ([1-8])$"));
    EngineResult result;
    QList<QRect> &boxes = result.boxes;
    bool first = true;
    for (const QByteArray &raw : output.split('\n')) {
        const QString text = QString::fromUtf8(raw).remove(QLatin1Char('\r'));
        if (text.isEmpty())
            continue;
        if (first) {
            first = false;
            const QRegularExpressionMatch o = orientationLine.match(text);
            if (!o.hasMatch())
                throw MirelonError(QStringLiteral("The engine did not say how it turned the picture upright: ") + text.left(80));
            result.orientation = o.captured(1).toInt();
            continue;
        }
        const QRegularExpressionMatch m = line.match(text);
        if (!m.hasMatch())
            throw MirelonError(QStringLiteral("The engine gave a malformed result line: ") + text.left(80));
        boxes.append(QRect(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4).toInt()));
    }
    if (first)
        throw MirelonError(QStringLiteral("The engine did not say how it turned the picture upright"));
    SortLikeLibrary(boxes);
    return result;
}

FaceSearch::FaceSearch(const QString &enginePath, QObject *parent) : QObject(parent), enginePath_(enginePath)
{
    qRegisterMetaType<FaceSearchResult>();
}

FaceSearch::~FaceSearch()
{
    if (running_) {
        running_->disconnect(this);
        running_->kill();
        running_->waitForFinished(2000);
    }
}

void FaceSearch::search(quint64 id, const QString &path, bool first)
{
    if (running_ && current_.id == id)
        return;
    auto queued = std::find_if(queue_.begin(), queue_.end(), [id](const Request &r) { return r.id == id; });
    if (queued != queue_.end()) {
        if (!first)
            return;
        queue_.erase(queued);
    }
    if (first)
        queue_.push_front({id, path});
    else
        queue_.push_back({id, path});
    startNext();
}

void FaceSearch::clearQueue()
{
    queue_.clear();
}

void FaceSearch::startNext()
{
    if (running_ || queue_.empty())
        return;
    current_ = queue_.front();
    queue_.pop_front();
    currentStamp_ = StampOf(current_.path);
    running_ = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // As the library starts it: the model's buffers backed by huge pages where the C library can.
    const QString tunables = environment.value(QStringLiteral("GLIBC_TUNABLES"));
    environment.insert(QStringLiteral("GLIBC_TUNABLES"),
                       (tunables.isEmpty() ? QString() : tunables + QLatin1Char(':')) + QStringLiteral("glibc.malloc.hugetlb=1"));
    running_->setProcessEnvironment(environment);
    running_->setStandardInputFile(QProcess::nullDevice());
    connect(running_.get(), &QProcess::finished, this, &FaceSearch::processEnded);
    connect(running_.get(), &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            processEnded();
    });
    running_->start(enginePath_, {QStringLiteral("--orientation"), QStringLiteral("--"), current_.path});
}

void FaceSearch::processEnded()
{
    if (!running_)
        return;
    std::unique_ptr<QProcess> process = std::move(running_);
    process->disconnect(this);
    FaceSearchResult result;
    result.stamp = currentStamp_;
    if (process->error() == QProcess::FailedToStart) {
        result.error = QStringLiteral("the face detection engine could not be started: ") + enginePath_;
    } else if (process->exitStatus() != QProcess::NormalExit || process->exitCode() != 0) {
        const QString errors = QString::fromUtf8(process->readAllStandardError()).trimmed();
        result.error = errors.isEmpty() ? QStringLiteral("the engine ended with exit code %1").arg(process->exitCode())
                                        : errors.section(QLatin1Char('\n'), 0, 0);
    } else {
        try {
            const EngineResult parsed = ParseEngineResult(process->readAllStandardOutput());
            result.orientation = parsed.orientation;
            result.boxes = parsed.boxes;
        } catch (const MirelonError &error) {
            result.error = error.message();
        }
    }
    const quint64 id = current_.id;
    process.release()->deleteLater(); // this runs inside its signal
    emit found(id, result);
    startNext();
}
