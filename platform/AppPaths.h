#pragma once
#include <QString>

// `folder` with a "/" appended unless it already ends with one.
QString WithTrailingSlash(const QString &folder);
// `folder` without one trailing "/" ("/" itself becomes "").
QString WithoutTrailingSlash(const QString &folder);

// Folders of the running installation, derived from the executable's own path.
QString ExecutablePath();   // full path of the running executable, links resolved
QString ExecutableFolder(); // its folder, without trailing "/" (unless it is "/")
QString PhpDirOf(const QString &executableFolder); // "<folder>/php", no trailing "/"
