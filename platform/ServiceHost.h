#pragma once
#include <QString>

// Host (optionally with :port) of the maker's web service: MIRELON_SERVICE_HOST from the
// environment when set, else the build's default.
QString ServiceHost();
