#pragma once
#include <QString>

// Folder of settings.ini and of the generated temp.php, always ending in "/". Chosen once
// while the main window is created.
inline QString SettingsDir;

// The folder last chosen in a folder dialog (destination chooser or Add Folder); not stored.
inline QString LastFolder;
