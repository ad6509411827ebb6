#include "processing/ActionRun.h"

#include "platform/Errors.h"
#include "processing/PhpRuntime.h"
#include "scripts/ActionScripts.h"
#include "scripts/OutputNaming.h"
#include "scripts/ScriptFrame.h"
#include "scripts/ShellQuote.h"

#include <QDir>
#include <QFile>

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
        QStringList lines;
        switch (action) {
        case Action::ExportFacePositions:
            lines = ExportFacePositionsScript(values.libraryPath, inputPath, OutputTextPath(destination()));
            break;
        case Action::MarkFacesInImage:
            lines = MarkFacesInImageScript(values.libraryPath, inputPath, outputFormat,
                                           OutputBase(destination(), outputFormat));
            break;
        case Action::BlurFacesInImage:
            lines = BlurFacesInImageScript(values.libraryPath, inputPath, outputFormat,
                                           OutputBase(destination(), outputFormat));
            break;
        case Action::SaveFacesAsSeparateImages:
            CheckPathCharacters(outputDirectory); // the other actions check it when choosing a name
            lines = SaveFacesAsSeparateImagesScript(values.libraryPath, inputPath, outputFormat, outputDirectory);
            break;
        }
        WriteScriptFile(scriptPath, EncodeScript(lines));

        window.clearOutput();
        if (action == Action::SaveFacesAsSeparateImages)
            window.appendOutput(command + QLatin1Char('\n'));
        RunConsoleCommand(command, values.phpDir, window.appendOutput);
    }
}
