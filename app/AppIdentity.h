#pragma once
#include <QString>

// Application-wide identity texts. FormCreate sets them once from the executable's version
// block; afterwards they are only read (also by the update-check thread).
inline QString AppCompanyName;
inline QString AppProductName;
inline QString AppTitle;
inline QString AppVersion;
