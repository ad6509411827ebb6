#pragma once
#include <QString>

// True when the whole text is an e-mail address of the form the maker's service accepts:
// ASCII letters, digits and _ . + - before one @, then a domain part with at least one point
// that ends in a letter or digit.
bool IsValidEmail(const QString &address);
