#pragma once
#include <QString>

class QSettings;

// The update check's per-user values: QSettings in the native format, organisation "KORVANE",
// application "Mirelon", group "Settings" (~/.config/KORVANE/Mirelon.conf on Linux). Each call
// works on its own QSettings and writes through at once, so any thread may use it.
namespace UpdateStore {
inline constexpr const char *ShowUpdate = "ShowUpdate";
inline constexpr const char *LastUpdateCheck = "LastUpdateCheck";
inline constexpr const char *LastUpdateCheckCount = "LastUpdateCheckCount";
inline constexpr const char *CurrentVersion = "CurrentVersion";
inline constexpr const char *CurrentURL = "CurrentURL";

bool IsUsable();                                       // the store can be read and written
QString ReadText(const char *name);                    // missing or unreadable: empty
int ReadInteger(const char *name, int fallback);       // missing or not a whole number: fallback
bool WriteText(const char *name, const QString &value);
bool WriteInteger(const char *name, int value);
} // namespace UpdateStore
