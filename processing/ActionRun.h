#pragma once
#include "processing/BatchRun.h"

#include <QString>

#include <functional>
#include <optional>

// The four actions of a run.
enum class Action { ExportFacePositions, MarkFacesInImage, BlurFacesInImage, SaveFacesAsSeparateImages };

// The action whose name is exactly `text` ("Export Face Positions", "Mark Faces in Image",
// "Blur Faces in Image", "Save Faces as Separate Images"); none for any other text.
std::optional<Action> ActionNamed(const QString &text);

// How long a face found in a video frame stays covered before and after it, in seconds.
constexpr double DefaultVideoCoverSeconds = 0.2;
constexpr double MaximumVideoCoverSeconds = 10;

// Values fixed for a whole run.
struct ActionRunValues {
    QString phpDir;      // working folder of every run; the interpreter is InterpreterFile(phpDir)
    QString libraryPath; // FaceDetector.php
    QString settingsDir; // holds each run's private folder of scripts (run-XXXXXX/temp.php), ending in "/"
    QString formatText;  // "PNG", "JPG", "WEBP" or "BMP"
    double videoCoverSeconds = DefaultVideoCoverSeconds; // a face found in a video frame stays covered this long around it
};

// A path as the scripts and the interpreter must see it: a relative one is taken against this
// process's current folder, because the interpreter runs in phpDir and would otherwise read and
// write elsewhere than where the free names were chosen.
QString AbsoluteToCurrentFolder(const QString &path);

// The per-image step of an action's run, called at the image's turn: chooses the output name
// (the first one free at that moment) and creates it as a new empty file, writes the script to the slot's script file in the
// run's private folder (made in the settings folder at the first image's turn, removed once the
// returned function is gone; folders of runs that were killed go then too) and says what to run
// and which files the image must leave behind. Raises
// MirelonError when the script cannot be written or the destination holds a NUL character.
PrepareImage ActionImages(Action action, const ActionRunValues &values, std::function<QString()> destination);

// Writes the script file anew (previous content replaced); raises MirelonError on failure.
void WriteScriptFile(const QString &path, const QByteArray &bytes);
