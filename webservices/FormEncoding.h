#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

// Form encoding of a POST body. Works on the UTF-8 bytes: A-Z, a-z, 0-9 and "*-._" stay as they
// are, a space becomes "+", every other byte becomes "%" and two upper-case hex digits.
QByteArray FormEncode(const QString &text);

// "name=value" fields, split at the first "=", each side encoded, joined with "&".
// A field without "=" is sent as a name with an empty value ("name=").
QByteArray EncodeFormFields(const QStringList &fields);
