#pragma once
#include <QString>

// Application-wide identity texts. The main window sets them once, while it is created, from the
// executable's version block; afterwards they are only read (also by the update-check thread).
inline QString AppCompanyName;
inline QString AppProductName;
inline QString AppTitle;
inline QString AppVersion;
