#pragma once
#include <QString>

// Where the pieces of a run live. The interpreter sits in the folder "php" beside the
// executable (PhpDir, also the working folder of every run), the detection library beside the
// executable, and the script of the current image in the settings folder.
QString InterpreterFile(const QString &phpDir);          // phpDir + "/php"
QString LibraryPath(const QString &executableFolder);    // executableFolder + "/FaceDetector.php"
QString ScriptPath(const QString &settingsDir);          // settingsDir + "temp.php"
// The script file of job slot `slot` when several images run at once: temp.php for the first,
// temp2.php, temp3.php, ... for the others.
QString ScriptPath(const QString &settingsDir, int slot);

// Whether `path` is a regular file (after following a link) that this process may run: a
// folder or a plain data file under the interpreter's name would let a run end "Completed"
// with nothing written.
bool IsRunnableFile(const QString &path);
