#pragma once
// Short clips made with the ffmpeg command from the fixture pictures, and what ffprobe says of them.
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <optional>

namespace videoclips {

inline const QString FacesPicture = QStringLiteral(MIRELON_SOURCE_DIR "/tests/video/fixtures/2008_001009.jpg");

// Runs a command to its end; its standard output, or none when it failed.
inline std::optional<QString> Run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(300000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning().noquote() << program << arguments.join(' ') << "failed:" << process.readAllStandardError().right(2000);
        return std::nullopt;
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// A clip of `seconds` panning across the faces picture, 256 x 192 at 25 frames/s, with a sine
// sound track; `encoding` names codecs and anything else ffmpeg takes before the output name.
// `moreInputs` come after the picture and the sound (so the first of them is input 2).
inline bool MakePanningClip(const QString &path, double seconds, const QStringList &encoding, const QStringList &moreInputs = {},
                            const QString &picture = FacesPicture)
{
    QStringList arguments{"-hide_banner", "-loglevel", "error", "-y", "-loop", "1", "-i", picture, "-f", "lavfi", "-i",
                          "sine=frequency=440:sample_rate=48000"};
    arguments << moreInputs << QStringList{"-filter_complex",
                          QStringLiteral("[0:v]scale=320:-2,crop=256:192:'min(64,t*%1)':'min(40,t*%2)',format=yuv420p[v]")
                              .arg(64 / seconds).arg(40 / seconds),
                          "-map", "[v]", "-map", "1:a", "-t", QString::number(seconds), "-r", "25"};
    arguments << encoding << path;
    return Run("ffmpeg", arguments).has_value();
}

inline QJsonObject Probe(const QString &path, const QStringList &what)
{
    const std::optional<QString> json = Run("ffprobe", QStringList{"-v", "error", "-of", "json"} + what + QStringList{path});
    return json ? QJsonDocument::fromJson(json->toUtf8()).object() : QJsonObject();
}

// The presentation time of every video frame, in the stream's time base.
inline QStringList FrameTimes(const QString &path)
{
    QStringList times;
    const QJsonObject probe = Probe(path, {"-select_streams", "v:0", "-show_entries", "frame=pts"});
    for (const QJsonValue &frame : probe["frames"].toArray())
        times << QString::number(frame["pts"].toInteger());
    return times;
}

// A digest of every packet of the streams `selector` picks ("a", "s"), copied as stored.
inline QString PacketDigest(const QString &path, const QString &selector)
{
    return Run("ffmpeg", {"-hide_banner", "-loglevel", "error", "-i", path, "-map", "0:" + selector, "-c", "copy", "-f", "md5", "-"})
        .value_or(QString())
        .trimmed();
}

// Every entry of a folder, hidden ones too, sorted.
inline QStringList FolderEntries(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    names.sort();
    return names;
}

} // namespace videoclips
