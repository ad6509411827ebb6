#pragma once
#include "app/IniStore.h"

#include <QString>

// The settings folder, ending in "/": the executable's folder when new files can be created
// there (a portable installation), else configFolder/company/product, whose folders are
// created as needed (failures there are left to the first write to report).
QString ChooseSettingsDir(const QString &executableFolder, const QString &configFolder,
                          const QString &companyName, const QString &productName);

// Opens the settings store on a file. A file that cannot be read or is not valid UTF-8 is
// deleted and the store starts empty, silently; raises only when even that fails.
IniStore OpenSettingsStore(const QString &fileName);

// The destination used when none is stored: the desktop folder, else the home folder.
QString DefaultDestination();
