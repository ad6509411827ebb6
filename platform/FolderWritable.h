#pragma once
#include <QString>

// Whether new files can be created in a folder: creates folder/chk.tmp exclusively and removes
// it again. An existing chk.tmp, a missing folder or any other failure means not writable.
bool IsFolderWritable(const QString &folder);
