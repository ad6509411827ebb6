#include "processing/ImageFailure.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <csignal>
#include <cstring>

namespace {
constexpr qint64 HeadBytes = 64; // the BMP headers up to the compression field
constexpr qint64 TailBytes = 12;

quint32 littleEndian32(QByteArrayView bytes, qsizetype at)
{
    return quint32(uchar(bytes[at])) | quint32(uchar(bytes[at + 1])) << 8 | quint32(uchar(bytes[at + 2])) << 16
           | quint32(uchar(bytes[at + 3])) << 24;
}

qint32 signed32(QByteArrayView bytes, qsizetype at)
{
    return qint32(littleEndian32(bytes, at));
}

quint16 littleEndian16(QByteArrayView bytes, qsizetype at)
{
    return quint16(uchar(bytes[at]) | uchar(bytes[at + 1]) << 8);
}

// A BMP is whole when its file holds every pixel row the headers ask for. The file-size field
// is not trusted: GD writes it without the rows' padding. Run-length coded rows have no size of
// their own: they must end with the end-of-picture code.
bool isWholeBmp(QByteArrayView head, QByteArrayView tail, qint64 size)
{
    if (size < 26 || head.size() < 26 || !head.startsWith("BM"))
        return false;
    const qint64 offset = littleEndian32(head, 10);
    const quint32 infoSize = littleEndian32(head, 14);
    qint64 width = 0, height = 0, bits = 0, compression = 0;
    if (infoSize == 12) {
        width = littleEndian16(head, 18);
        height = littleEndian16(head, 20);
        bits = littleEndian16(head, 24);
    } else if (infoSize >= 40 && head.size() >= 34) {
        width = signed32(head, 18);
        height = qAbs(qint64(signed32(head, 22)));
        bits = littleEndian16(head, 28);
        compression = littleEndian32(head, 30);
    } else {
        return false;
    }
    if (offset < 14 + infoSize || offset > size || width <= 0 || height <= 0 || bits <= 0 || bits > 32)
        return false;
    if (compression == 1 || compression == 2) // RLE8, RLE4
        return tail.size() >= 2 && tail.endsWith(QByteArrayView("\0\1", 2));
    if (compression != 0 && compression != 3 && compression != 6) // other codings: as their size field says
        return littleEndian32(head, 2) == size;
    const qint64 rowBytes = (width * bits + 31) / 32 * 4;
    return size - offset >= rowBytes * height;
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
    "Failed to create the output file.",
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
        return isWholeBmp(head, tail, size);
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
    const QByteArray head = file.read(HeadBytes);
    QByteArray tail;
    if (size >= TailBytes && file.seek(size - TailBytes))
        tail = file.read(TailBytes);
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

QString UserReason(const QString &line)
{
    static const QRegularExpression phpPrefix(QStringLiteral("^(PHP )?[A-Za-z ]*(error|warning|Warning|Notice):\\s*"));
    static const QRegularExpression callPrefix(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*\\([^)]*\\): "));
    static const QRegularExpression placeSuffix(QStringLiteral("^ in /.*(:[0-9]+| on line [0-9]+)$"));
    QString text = line.trimmed();
    const bool fromPhp = phpPrefix.match(text).hasMatch();
    text.remove(phpPrefix);
    if (fromPhp) {
        // Where in our scripts or library it was raised: the last " in /..." that names a line.
        for (qsizetype at = text.lastIndexOf(QLatin1String(" in /")); at > 0; at = text.lastIndexOf(QLatin1String(" in /"), at - 1)) {
            if (placeSuffix.match(QStringView(text).sliced(at)).hasMatch()) {
                text.truncate(at);
                break;
            }
        }
        for (const char *prefix : {"Uncaught Exception: ", "Uncaught ErrorException: ", "Uncaught Error: "})
            if (text.startsWith(QLatin1String(prefix)))
                text.remove(0, qsizetype(std::strlen(prefix)));
        text.remove(callPrefix);
    }
    // The library names the picture, which the caller shows beside the reason.
    static const QLatin1String searchFailed("FaceDetector: cannot find the faces in '");
    if (text.startsWith(searchFailed)) {
        const qsizetype end = text.lastIndexOf(QLatin1String("': "));
        if (end >= searchFailed.size())
            return QStringLiteral("Cannot find the faces: ") + text.sliced(end + 3);
    }
    if (text.startsWith(QLatin1String("FaceDetector: ")))
        text.remove(0, 14);
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
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
        return UserReason(*line);
    if (result.crashed)
        return QStringLiteral("The interpreter ended abnormally (%1)").arg(QString::fromLocal8Bit(strsignal(result.signal)));
    if (result.exitCode != 0)
        return QStringLiteral("The interpreter ended with exit code %1").arg(result.exitCode);
    if (!facts.missingOutputs.isEmpty())
        return QStringLiteral("No output was written");
    if (!facts.incompleteOutputs.isEmpty())
        return QStringLiteral("The output is incomplete");
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
