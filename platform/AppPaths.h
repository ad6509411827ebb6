#pragma once
#include <QString>

// Folders of the running installation, derived from the executable's own path.
QString ExecutablePath();   // full path of the running executable, links resolved
QString ExecutableFolder(); // its folder, without trailing "/" (unless it is "/")
QString PhpDirOf(const QString &executableFolder); // "<folder>/php", no trailing "/"
