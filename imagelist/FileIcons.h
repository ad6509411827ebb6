#pragma once
#include <QIcon>
#include <QString>

// The desktop's small icon for a file, as a file manager shows it. Files of one extension share
// one icon, looked up once; a file the desktop has no icon for gets the generic file icon.
QIcon FileIconFor(const QString &path);
