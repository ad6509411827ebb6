#include "processing/ActionRun.h"

#include "platform/Errors.h"
#include "processing/PhpRuntime.h"
#include "scripts/ActionScripts.h"
#include "scripts/OutputNaming.h"
#include "scripts/ScriptFrame.h"
#include "scripts/ShellQuote.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

namespace {
// The output file is created before its script runs. If the script writes nothing into it, it
// is removed again, so the name stays free for the next image: an image file is never empty,
// and an empty positions text stays only when its script succeeded (an image without faces).
class EmptyOutputRemover {
public:
    EmptyOutputRemover(const ReservedOutput &output, bool emptyMayBeValid)
        : output(output), emptyMayBeValid(emptyMayBeValid) {}
    EmptyOutputRemover(const EmptyOutputRemover &) = delete;
    EmptyOutputRemover &operator=(const EmptyOutputRemover &) = delete;
    ~EmptyOutputRemover() { removeIfEmpty(); } // the run ended early: nothing was written

    void scriptEnded(int exitStatus) const
    {
        if (!emptyMayBeValid || exitStatus != 0)
            removeIfEmpty();
        done = true;
    }

private:
    void removeIfEmpty() const
    {
        if (done || !output.created)
            return;
        const QFileInfo file(output.file);
        if (!file.isSymLink() && file.isFile() && file.size() == 0)
            QFile::remove(output.file);
    }

    ReservedOutput output;
    bool emptyMayBeValid;
    mutable bool done = false;
};
} // namespace

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

void RunAction(Action action, const ActionRunValues &values, const ActionRunWindow &window)
{
    const QString outputFormat = values.formatText.toLower();
    const QString scriptPath = AbsoluteToCurrentFolder(ScriptPath(values.settingsDir));
    const QString command = InterpreterCommand(InterpreterFile(values.phpDir), scriptPath);
    // Save Faces reads the destination once; the script numbers the face files itself.
    const QString outputDirectory = action == Action::SaveFacesAsSeparateImages
                                        ? WithoutTrailingSlash(AbsoluteToCurrentFolder(window.destination()))
                                        : QString();

    for (qsizetype index = 0; index < window.entryCount(); ++index) {
        const QString inputPath = window.entryPath(index);
        window.setStatus(QStringLiteral("Processing ") + inputPath + QStringLiteral("..."));

        // The name is chosen after the window has had its turn: whatever ran meanwhile (another
        // "Convert" among them) has written its files by then, and nothing runs between this
        // choice and the script that writes the file.
        window.processEvents();
        const auto destination = [&window] { return AbsoluteToCurrentFolder(window.destination()); };
        ReservedOutput output;
        QStringList lines;
        switch (action) {
        case Action::ExportFacePositions:
            output = CreateOutputTextFile(destination());
            lines = ExportFacePositionsScript(values.libraryPath, inputPath, output.scriptName);
            break;
        case Action::MarkFacesInImage:
            output = CreateOutputImageFile(destination(), outputFormat);
            lines = MarkFacesInImageScript(values.libraryPath, inputPath, outputFormat, output.scriptName);
            break;
        case Action::BlurFacesInImage:
            output = CreateOutputImageFile(destination(), outputFormat);
            lines = BlurFacesInImageScript(values.libraryPath, inputPath, outputFormat, output.scriptName);
            break;
        case Action::SaveFacesAsSeparateImages:
            CheckPathCharacters(outputDirectory); // the other actions check it when choosing a name
            lines = SaveFacesAsSeparateImagesScript(values.libraryPath, inputPath, outputFormat, outputDirectory);
            break;
        }
        const EmptyOutputRemover unused{output, action == Action::ExportFacePositions};
        WriteScriptFile(scriptPath, EncodeScript(lines));

        window.clearOutput();
        if (action == Action::SaveFacesAsSeparateImages)
            window.appendOutput(command + QLatin1Char('\n'));
        unused.scriptEnded(RunConsoleCommand(command, values.phpDir, window.appendOutput));
    }
}
