#pragma once
#include "app/IniStore.h"

#include <QString>

// Folder of settings.ini and of the generated temp.php, always ending in "/". Chosen once
// while the main window is created.
inline QString SettingsDir;

// The settings, held in memory and written through to SettingsDir + "settings.ini" at every
// change. Opened once while the main window is created.
inline IniStore SettingsIni;

// The folder last chosen in a folder dialog (destination chooser or Add Folder); not stored.
inline QString LastFolder;
