#include "processing/ImageFailure.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <csignal>
#include <cstring>

namespace {
constexpr qint64 EdgeBytes = 12;

quint32 littleEndian32(QByteArrayView bytes, qsizetype at)
{
    return quint32(uchar(bytes[at])) | quint32(uchar(bytes[at + 1])) << 8 | quint32(uchar(bytes[at + 2])) << 16
           | quint32(uchar(bytes[at + 3])) << 24;
}

QString extensionOf(const QString &path)
{
    return QFileInfo(path).suffix().toLower();
}

// How the video program's failure line starts; the reason follows.
const char VideoFailurePrefix[] = "mirelon-video: ";

// Messages with which the scripts end an image that gets no output.
const char *const ScriptFailureMessages[] = {
    "Failed to read the input file.",
    "Failed to load image or unsupported input format.",
    "Unsupported output format: ",
    "Unsupported format for face extraction: ",
    "Failed to save face to: ",
};
} // namespace

bool IsWholePicture(const QString &extension, QByteArrayView head, QByteArrayView tail, qint64 size)
{
    const QString format = extension.toLower();
    if (format == QLatin1String("png"))
        return size >= 8 + 12 && head.startsWith("\x89PNG\r\n\x1a\n") && tail.size() >= 12
               && tail.last(12) == QByteArrayView("\0\0\0\0IEND\xae\x42\x60\x82", 12);
    if (format == QLatin1String("jpg") || format == QLatin1String("jpeg"))
        return size >= 4 && head.startsWith("\xff\xd8") && tail.endsWith("\xff\xd9");
    if (format == QLatin1String("bmp"))
        return size >= 14 && head.size() >= 6 && head.startsWith("BM") && littleEndian32(head, 2) == size;
    if (format == QLatin1String("webp"))
        return size >= 12 && head.size() >= 12 && head.startsWith("RIFF") && head.sliced(8, 4) == "WEBP"
               && qint64(littleEndian32(head, 4)) + 8 == size;
    return true;
}

bool IsPictureFile(const QString &path)
{
    static const QStringList pictures{"png", "jpg", "jpeg", "bmp", "webp"};
    return pictures.contains(extensionOf(path));
}

OutputState CheckOutputFile(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile())
        return OutputState::Missing;
    if (!IsPictureFile(path))
        return OutputState::Whole;
    if (!file.open(QIODevice::ReadOnly))
        return OutputState::Incomplete;
    const qint64 size = file.size();
    const QByteArray head = file.read(EdgeBytes);
    QByteArray tail;
    if (size >= EdgeBytes && file.seek(size - EdgeBytes))
        tail = file.read(EdgeBytes);
    return IsWholePicture(extensionOf(path), head, tail, size) ? OutputState::Whole : OutputState::Incomplete;
}

std::optional<QString> FailureLine(const QString &output)
{
    // PHP's own messages, as the command-line interpreter writes them to standard error
    // ("PHP Warning:  ...") or, with display_errors, to standard output ("Warning: ...").
    static const QRegularExpression phpMessage(
        QStringLiteral("^(PHP )?(Fatal error|Parse error|Recoverable fatal error|Core error|Compile error|"
                       "Warning|Core warning|Compile warning|Notice|User error|User warning):"),
        QRegularExpression::CaseInsensitiveOption);
    for (QStringView line : QStringView(output).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        if (phpMessage.match(line).hasMatch())
            return line.toString().simplified();
        for (const char *message : ScriptFailureMessages)
            if (line.startsWith(QLatin1String(message)))
                return line.toString();
        // The video program's one line: its reason.
        if (line.startsWith(QLatin1String(VideoFailurePrefix)))
            return line.mid(qsizetype(std::strlen(VideoFailurePrefix))).toString();
    }
    return std::nullopt;
}

std::optional<QString> FailureReason(const ImageRunFacts &facts)
{
    const ImageJobResult &result = facts.result;
    if (result.stopped)
        return QStringLiteral("Stopped");
    if (result.timedOut)
        return QStringLiteral("Took longer than the time limit of %1 s").arg(facts.timeLimitSeconds);
    if (!result.started)
        return QStringLiteral("The interpreter could not be started: ") + result.startError;
    if (const std::optional<QString> line = FailureLine(facts.output))
        return line;
    if (result.crashed)
        return QStringLiteral("The interpreter ended abnormally (%1)").arg(QString::fromLocal8Bit(strsignal(result.signal)));
    if (result.exitCode != 0)
        return QStringLiteral("The interpreter ended with exit code %1").arg(result.exitCode);
    if (!facts.missingOutputs.isEmpty())
        return QStringLiteral("No output was written: ") + facts.missingOutputs.constFirst();
    if (!facts.incompleteOutputs.isEmpty())
        return QStringLiteral("The output is incomplete: ") + facts.incompleteOutputs.constFirst();
    return std::nullopt;
}

QStringList RemoveUnfinishedOutputs(const QStringList &outputs)
{
    QStringList removed;
    for (const QString &path : outputs) {
        const OutputState state = CheckOutputFile(path);
        const bool unfinished = state == OutputState::Incomplete || (state == OutputState::Whole && !IsPictureFile(path));
        if (unfinished && QFile::remove(path))
            removed << path;
    }
    return removed;
}
