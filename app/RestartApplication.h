#pragma once
#include <QString>

// Deletes the settings file and starts the executable again without arguments; failures of
// either are ignored. The caller then ends this instance without writing anything back.
void DeleteSettingsAndRestart(const QString &settingsFile, const QString &executable);
