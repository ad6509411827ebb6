#pragma once
#include <QByteArray>
#include <QString>

// HTTP/1.1 form post over a plain socket with blocking calls on the calling thread: one socket
// per call, "Connection: close", content type "application/x-www-form-urlencoded". The time-out
// bounds connecting and, separately, each wait for more of the reply: a reply that keeps
// arriving is never cut off, one that stops for the time-out fails. The body is decoded with the
// reply's charset, else one character per byte. Throws MirelonError on transport failures and
// on an HTTP error status (400 and above), with the status line as message.
QString PlainPost(const QString &address, const QByteArray &body, int timeoutMs);

// Host, port and path of an address; any "scheme://" prefix is skipped, the port defaults to 80
// and the path to "/". Throws MirelonError when no host can be found.
struct PlainTarget {
    QString host;        // without IPv6 brackets
    QString hostHeader;  // host[:port] as written in the address
    quint16 port = 80;
    QByteArray path;
};
PlainTarget ParsePlainTarget(const QString &address);
