#pragma once
#include <QByteArray>
#include <QString>

// The "charset" parameter of a Content-Type header value, unquoted; empty when none is named.
QString CharsetOf(const QByteArray &contentType);

// Decodes a reply body with the character set its Content-Type names. When none is named, or
// the named one is unknown here, the fallback applies: UTF-8, or one character per byte
// (character code = byte value) when latin1Fallback is set.
QString DecodeReplyBody(const QByteArray &body, const QByteArray &contentType, bool latin1Fallback);

// Largest reply body the clients accept; a longer one is a failure, never a partial reply.
inline constexpr qsizetype MaxReplyBytes = 4 * 1024 * 1024;
