#pragma once
#include "processing/RunConsoleCommand.h"

#include <QString>

#include <functional>
#include <optional>

// The four actions of a run.
enum class Action { ExportFacePositions, MarkFacesInImage, BlurFacesInImage, SaveFacesAsSeparateImages };

// The action whose name is exactly `text` ("Export Face Positions", "Mark Faces in Image",
// "Blur Faces in Image", "Save Faces as Separate Images"); none for any other text.
std::optional<Action> ActionNamed(const QString &text);

// Values fixed for a whole run.
struct ActionRunValues {
    QString phpDir;      // working folder of every run; the interpreter is InterpreterFile(phpDir)
    QString libraryPath; // FaceDetector.php
    QString settingsDir; // folder of temp.php, ending in "/"
    QString formatText;  // "PNG", "JPG", "WEBP" or "BMP"
};

// What a run reads from the window and shows in it.
struct ActionRunWindow {
    std::function<qsizetype()> entryCount;            // read anew before every entry
    std::function<QString(qsizetype index)> entryPath;
    std::function<QString()> destination;             // as typed
    std::function<void(const QString &)> setStatus;
    std::function<void()> processEvents;
    std::function<void()> clearOutput;
    OutputSink appendOutput;
};

// A path as the scripts and the interpreter must see it: a relative one is taken against this
// process's current folder, because the interpreter runs in phpDir and would otherwise read and
// write elsewhere than where the free names were chosen.
QString AbsoluteToCurrentFolder(const QString &path);

// Walks the entries in list order; for each one writes its script to temp.php in the settings
// folder and runs the interpreter on it, whatever became of the previous image. An entry's
// output name is the first one free at its turn, created as a new empty file before its script
// runs and removed again if the script wrote nothing into it. Raises MirelonError when temp.php cannot be
// written or the destination holds a NUL character; the entries after it are not processed.
void RunAction(Action action, const ActionRunValues &values, const ActionRunWindow &window);

// Writes the script file anew (previous content replaced); raises MirelonError on failure.
void WriteScriptFile(const QString &path, const QByteArray &bytes);
