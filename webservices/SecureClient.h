#pragma once
#include <QByteArray>
#include <QString>

// HTTPS form post through Qt's HTTP stack: one client per call, run in a local event loop on the
// calling thread. Sends "Connection: close" and the form content type with charset utf-8. The
// time-out bounds connecting and each wait for reply data (and the whole call at twice that).
// Any HTTP status is returned as text; only a transport failure throws MirelonError.
QString SecurePost(const QString &address, const QByteArray &body, int timeoutMs);
