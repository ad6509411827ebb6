#pragma once
#include <QString>

#include <optional>

// The list takes icons and metafiles, which no search can read: they fail at once, with this
// reason ("Mirelon cannot search ICO pictures for faces"), before any script runs. None for a
// picture the search reads; the extension decides (letter case ignored).
std::optional<QString> UnsearchableReason(const QString &path);
