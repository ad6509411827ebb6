#include "processing/PictureOutputs.h"

#include "scripts/ActionScripts.h"
#include "scripts/OutputNaming.h"
#include "scripts/ScriptFrame.h"
#include "scripts/ShellQuote.h"
#include "platform/Errors.h"
#include "processing/PhpRuntime.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace {
// Names of the outputs inside the staging folder, as the window's scripts form them.
QString stagedBase(const QString &stagingFolder)
{
    return WithTrailingSlash(stagingFolder) + QStringLiteral("output");
}
} // namespace

QStringList StagedScript(Action action, const QString &libraryPath, const QString &picture, const QString &format,
                         const QString &stagingFolder)
{
    switch (action) {
    case Action::ExportFacePositions:
        return ExportFacePositionsScript(libraryPath, picture, stagedBase(stagingFolder) + QStringLiteral(".txt"));
    case Action::MarkFacesInImage:
        return MarkFacesInImageScript(libraryPath, picture, format, stagedBase(stagingFolder));
    case Action::BlurFacesInImage:
        return BlurFacesInImageScript(libraryPath, picture, format, stagedBase(stagingFolder));
    case Action::SaveFacesAsSeparateImages:
        return SaveFacesAsSeparateImagesScript(libraryPath, picture, format, WithoutTrailingSlash(stagingFolder));
    }
    return {};
}

QString PictureStem(const QString &picture)
{
    const FileNameParts parts = SplitFileName(picture);
    QString stem = parts.base.isEmpty() ? parts.extension : parts.base;
    while (stem.toUtf8().size() > MaxStemBytes)
        stem.chop(stem.size() >= 2 && stem.back().isLowSurrogate() ? 2 : 1);
    return stem;
}

QString ExpectedStagedOutput(Action action, const QString &format, const QString &stagingFolder)
{
    switch (action) {
    case Action::ExportFacePositions:
        return stagedBase(stagingFolder) + QStringLiteral(".txt");
    case Action::MarkFacesInImage:
    case Action::BlurFacesInImage:
        return stagedBase(stagingFolder) + QLatin1Char('.') + format;
    case Action::SaveFacesAsSeparateImages:
        break;
    }
    return {};
}

QList<StagedOutput> StagedOutputs(Action action, const QString &picture, const QString &format,
                                  const QString &stagingFolder)
{
    const QString stem = PictureStem(picture);
    const QString extension = action == Action::ExportFacePositions ? QStringLiteral(".txt") : QLatin1Char('.') + format;
    if (action != Action::SaveFacesAsSeparateImages) {
        const QString staged = ExpectedStagedOutput(action, format, stagingFolder);
        return QFileInfo(staged).isFile() ? QList<StagedOutput>{{staged, stem, extension}} : QList<StagedOutput>{};
    }
    // The script numbers its face files face1, face2, ... in the order the faces were found.
    const QRegularExpression faceName(QStringLiteral("^face([1-9][0-9]*)") + QRegularExpression::escape(extension) + QLatin1Char('$'));
    QList<std::pair<qulonglong, QString>> faces;
    for (const QString &name : QDir(stagingFolder).entryList(QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch match = faceName.match(name);
        if (match.hasMatch())
            faces.append({match.captured(1).toULongLong(), name});
    }
    std::sort(faces.begin(), faces.end());
    QList<StagedOutput> outputs;
    for (const auto &[number, name] : faces)
        outputs.append({WithTrailingSlash(stagingFolder) + name, stem + QStringLiteral("-face") + QString::number(number),
                        extension});
    return outputs;
}

QStringList PublishOutputs(const QList<StagedOutput> &outputs, const QString &destination)
{
    QStringList names;
    for (const StagedOutput &output : outputs)
        names.append(MoveToFreeName(output.path, destination, output.stem, output.extension));
    return names;
}

QString WindowStagingFolder(const QString &stagingRoot, qsizetype index)
{
    return WithTrailingSlash(stagingRoot) + QString::number(index);
}

PrepareImage StagedWindowImages(Action action, const ActionRunValues &values, const QString &stagingRoot)
{
    const QString format = values.formatText.toLower();
    const QString interpreter = InterpreterFile(values.phpDir);
    return [=](qsizetype index, const QString &inputPath, int) {
        const QString staging = WindowStagingFolder(stagingRoot, index);
        if (!QDir().mkpath(staging))
            throw MirelonError(QStringLiteral("Cannot create the folder \"%1\"").arg(staging));
        const QString script = WithTrailingSlash(staging) + QStringLiteral("script.php");
        WriteScriptFile(script, EncodeScript(StagedScript(action, values.libraryPath, inputPath, format, staging)));
        PreparedImage prepared;
        prepared.command = InterpreterCommand(interpreter, script);
        prepared.workingDirectory = values.phpDir;
        prepared.expectedOutputs = {ExpectedStagedOutput(action, format, staging)};
        return prepared;
    };
}

QString PublishWindowOutput(Action action, const QString &formatText, const QString &stagingFolder,
                            const QString &destination)
{
    const QString format = formatText.toLower();
    const QString staged = ExpectedStagedOutput(action, format, stagingFolder);
    const QString extension = action == Action::ExportFacePositions ? QStringLiteral(".txt") : QLatin1Char('.') + format;
    return MoveToFreeName(staged, AbsoluteToCurrentFolder(destination), QStringLiteral("output"), extension);
}

int RunJobsFrom(const QString &text, int cores)
{
    bool ok = false;
    const int jobs = text.trimmed().toInt(&ok);
    return ok && jobs > 0 ? qMin(jobs, 64) : qMax(cores, 1);
}
