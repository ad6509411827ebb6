#pragma once
#include <QString>

// Whether new files can be created in a folder: creates folder/chk.tmp exclusively and removes
// it again. An existing chk.tmp, a missing folder or any other failure means not writable.
bool IsFolderWritable(const QString &folder);

// Makes sure that new files can be written in `folder` by creating a file of a name of its own
// there exclusively and removing it again. Throws MirelonError naming the folder and the cause
// ("Cannot write to the folder \"/mnt/out\": Read-only file system").
void CheckFolderWritable(const QString &folder);
