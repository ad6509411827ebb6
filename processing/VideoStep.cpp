#include "processing/VideoStep.h"

#include "scripts/ShellQuote.h"
#include "video/VideoProbe.h"
#include "video/VideoProcessing.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

bool IsVideoFile(const QString &path)
{
    return QFileInfo(path).isFile() && mirelon::video::LooksLikeVideo(QFile::encodeName(path).toStdString());
}

QString VideoProgramFile(const QString &executableFolder)
{
    return executableFolder + QStringLiteral("/mirelon-video");
}

QString VideoOutputExtension(Action action, const QString &video)
{
    if (action == Action::ExportFacePositions)
        return QStringLiteral(".txt");
    const QString suffix = QFileInfo(video).suffix();
    return suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix;
}

std::optional<double> ParseVideoCoverSeconds(const QString &text)
{
    bool ok = false;
    const double seconds = text.trimmed().toDouble(&ok);
    if (!ok || !(seconds >= 0 && seconds <= MaximumVideoCoverSeconds)) // NaN fails both
        return std::nullopt;
    return seconds;
}

double VideoCoverSecondsFrom(const QString &text)
{
    return ParseVideoCoverSeconds(text).value_or(DefaultVideoCoverSeconds);
}

PreparedImage PreparedVideo(const QString &program, Action action, const QString &video, const QString &output,
                            const QString &workingDirectory, double coverSeconds)
{
    const char *name = action == Action::BlurFacesInImage   ? "blur"
                       : action == Action::MarkFacesInImage ? "mark"
                       : action == Action::ExportFacePositions ? "export"
                                                               : "save";
    PreparedImage prepared;
    prepared.command = ShellQuoted(program) + QStringLiteral(" --action ") + QLatin1String(name) +
                       QStringLiteral(" --cover-seconds ") + QString::number(coverSeconds) + QLatin1Char(' ') +
                       ShellQuoted(video) + QLatin1Char(' ') + ShellQuoted(output);
    prepared.workingDirectory = workingDirectory;
    if (action != Action::SaveFacesAsSeparateImages)
        prepared.expectedOutputs = {output};
    prepared.scratchFiles = {QFile::decodeName(mirelon::video::PassingName(QFile::encodeName(output).toStdString()).c_str())};
    prepared.limitCountsIdleTime = true;
    return prepared;
}

std::optional<FrameCount> LastFrameProgress(const QByteArray &output)
{
    static const QRegularExpression line(QStringLiteral("^frame (\\d+) of (\\d+)\n"), QRegularExpression::MultilineOption);
    std::optional<FrameCount> last;
    for (QRegularExpressionMatchIterator it = line.globalMatch(QString::fromLatin1(output)); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        last = FrameCount{match.captured(1).toLongLong(), match.captured(2).toLongLong()};
    }
    return last;
}
