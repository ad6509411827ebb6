#include "processing/ActionRun.h"

#include "platform/AppPaths.h"
#include "platform/Errors.h"
#include "platform/PrivateRunFolder.h"
#include "processing/PhpRuntime.h"
#include "processing/VideoStep.h"
#include "scripts/ActionScripts.h"
#include "scripts/OutputNaming.h"
#include "scripts/ScriptFrame.h"
#include "scripts/ShellQuote.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <memory>

std::optional<Action> ActionNamed(const QString &text)
{
    if (text == QLatin1String("Export Face Positions"))
        return Action::ExportFacePositions;
    if (text == QLatin1String("Mark Faces in Image"))
        return Action::MarkFacesInImage;
    if (text == QLatin1String("Blur Faces in Image"))
        return Action::BlurFacesInImage;
    if (text == QLatin1String("Save Faces as Separate Images"))
        return Action::SaveFacesAsSeparateImages;
    return std::nullopt;
}

QString AbsoluteToCurrentFolder(const QString &path)
{
    if (path.startsWith(QLatin1Char('/')))
        return path;
    return WithTrailingSlash(QDir::currentPath()) + path;
}

void WriteScriptFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()
        || !file.flush())
        throw MirelonError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
}

namespace {
const QString RunFolderPrefix = QStringLiteral("run-");

// The face files ("face<N>.<ext>") in `folder`: Save Faces numbers them itself.
QStringList faceFiles(const QString &folder, const QString &extension)
{
    static const QRegularExpression number(QStringLiteral("^face[0-9]+$"));
    QStringList files;
    const QFileInfoList entries = QDir(folder).entryInfoList({QStringLiteral("face*.") + extension},
                                                             QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &entry : entries)
        if (entry.suffix() == extension && number.match(entry.completeBaseName()).hasMatch())
            files << entry.filePath();
    return files;
}
} // namespace

PrepareImage ActionImages(Action action, const ActionRunValues &values, std::function<QString()> destination)
{
    const QString outputFormat = values.formatText.toLower();
    const QString interpreter = InterpreterFile(values.phpDir);
    // Save Faces reads the destination once; the script numbers the face files itself.
    const QString outputDirectory = action == Action::SaveFacesAsSeparateImages
                                        ? WithoutTrailingSlash(AbsoluteToCurrentFolder(destination()))
                                        : QString();

    const QString videoProgram = VideoProgramFile(ExecutableFolder());
    // The run's scripts lie in a private folder of its own in the settings folder, made at the
    // first image's turn and removed with the run: two windows never share a script.
    auto scriptFolder = std::make_shared<std::unique_ptr<PrivateRunFolder>>();
    return [=](qsizetype, const QString &inputPath, int slot) {
        // A video goes through the video program: output.<its extension> (Export: output.txt).
        if (IsVideoFile(inputPath)) {
            const QString folder = AbsoluteToCurrentFolder(destination());
            QString output;
            if (action == Action::ExportFacePositions)
                output = CreateOutputTextFile(folder).file;
            else if (action != Action::SaveFacesAsSeparateImages)
                output = CreateOutputImageFile(folder, QFileInfo(inputPath).suffix()).file;
            return PreparedVideo(videoProgram, action, inputPath, output, values.phpDir, values.videoCoverSeconds);
        }
        if (!*scriptFolder) {
            const QString settings = WithoutTrailingSlash(AbsoluteToCurrentFolder(values.settingsDir));
            *scriptFolder = FreshRunFolder(settings, RunFolderPrefix); // and away with killed windows' ones
        }
        const QString scriptPath = ScriptPath(WithTrailingSlash((*scriptFolder)->path()), slot);
        PreparedImage prepared;
        prepared.command = InterpreterCommand(interpreter, scriptPath);
        prepared.workingDirectory = values.phpDir;
        // The name is chosen and the file created at the image's turn, just before its script
        // runs, so that nothing written meanwhile is overwritten.
        QStringList lines;
        switch (action) {
        case Action::ExportFacePositions: {
            const ReservedOutput output = CreateOutputTextFile(AbsoluteToCurrentFolder(destination()));
            lines = ExportFacePositionsScript(values.libraryPath, inputPath, output.scriptName);
            prepared.expectedOutputs = {output.file};
            break;
        }
        case Action::MarkFacesInImage:
        case Action::BlurFacesInImage: {
            const ReservedOutput output = CreateOutputImageFile(AbsoluteToCurrentFolder(destination()), outputFormat);
            lines = action == Action::MarkFacesInImage
                        ? MarkFacesInImageScript(values.libraryPath, inputPath, outputFormat, output.scriptName)
                        : BlurFacesInImageScript(values.libraryPath, inputPath, outputFormat, output.scriptName);
            prepared.expectedOutputs = {output.file};
            break;
        }
        case Action::SaveFacesAsSeparateImages: {
            CheckPathCharacters(outputDirectory); // the other actions check it when choosing a name
            lines = SaveFacesAsSeparateImagesScript(values.libraryPath, inputPath, outputFormat, outputDirectory);
            const QString extension = outputFormat == QLatin1String("jpeg") ? QStringLiteral("jpg") : outputFormat;
            const QStringList before = faceFiles(outputDirectory, extension);
            prepared.writtenOutputs = [outputDirectory, extension, before] {
                QStringList written = faceFiles(outputDirectory, extension);
                written.removeIf([&before](const QString &path) { return before.contains(path); });
                return written;
            };
            prepared.outputPrefix = prepared.command + QLatin1Char('\n');
            break;
        }
        }
        try {
            WriteScriptFile(scriptPath, EncodeScript(lines));
        } catch (...) {
            // The run ends here; the empty file reserved for this image's output goes again.
            for (const QString &output : prepared.expectedOutputs)
                if (QFileInfo(output).isFile() && QFileInfo(output).size() == 0)
                    QFile::remove(output);
            throw;
        }
        return prepared;
    };
}
