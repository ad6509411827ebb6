#pragma once
#include <QStringList>

class QMimeData;

// The local paths of files and folders dropped from a file manager, in drop order. Paths are
// taken whole, whatever their length; entries that are not local files are left out.
QStringList DroppedPaths(const QMimeData &data);
