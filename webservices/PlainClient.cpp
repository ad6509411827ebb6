#include "webservices/PlainClient.h"

#include "platform/Errors.h"
#include "webservices/ReplyDecoding.h"

#include <QDeadlineTimer>
#include <QTcpSocket>
#include <QThread>
#include <QUrl>

#include <algorithm>

namespace {
struct ParsedReply {
    bool complete = false;
    QByteArray statusLine;
    int status = 0;
    QByteArray contentType;
    QByteArray body;
};

// Index just past the blank line that ends the header block, or -1.
qsizetype headerEnd(const QByteArray &data, qsizetype from)
{
    const qsizetype crlf = data.indexOf("\r\n\r\n", from);
    const qsizetype lf = data.indexOf("\n\n", from);
    if (crlf >= 0 && (lf < 0 || crlf < lf))
        return crlf + 4;
    return lf >= 0 ? lf + 2 : -1;
}

// Decodes a chunked body; returns false while it is incomplete.
bool decodeChunked(const QByteArray &data, qsizetype pos, QByteArray &out)
{
    out.clear();
    for (;;) {
        const qsizetype lineEnd = data.indexOf('\n', pos);
        if (lineEnd < 0)
            return false;
        QByteArray sizeText = data.mid(pos, lineEnd - pos).trimmed();
        if (const qsizetype semi = sizeText.indexOf(';'); semi >= 0)
            sizeText.truncate(semi);
        bool ok = false;
        const qlonglong size = sizeText.trimmed().toLongLong(&ok, 16);
        if (!ok || size < 0 || size > MaxReplyBytes)
            throw MirelonError(QStringLiteral("Invalid chunk size in the reply"));
        pos = lineEnd + 1;
        if (size == 0)
            return true; // trailers, if any, are not needed
        if (data.size() < pos + size)
            return false;
        out.append(data.mid(pos, size));
        if (out.size() > MaxReplyBytes)
            throw MirelonError(QStringLiteral("The reply is larger than %1 bytes").arg(MaxReplyBytes));
        pos += size;
        const qsizetype next = data.indexOf('\n', pos);
        if (next < 0)
            return false;
        pos = next + 1;
    }
}

// Parses what has arrived so far. closed: the server has closed the connection.
ParsedReply parseReply(const QByteArray &data, bool closed)
{
    ParsedReply reply;
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = headerEnd(data, start);
        if (end < 0) {
            if (closed)
                throw MirelonError(data.isEmpty() ? QStringLiteral("Connection closed gracefully.")
                                                  : QStringLiteral("Connection closed before the reply's headers were complete."));
            return reply;
        }
        const QList<QByteArray> lines = data.mid(start, end - start).split('\n');
        reply.statusLine = lines.first().trimmed();
        const QList<QByteArray> words = reply.statusLine.split(' ');
        bool ok = false;
        reply.status = words.size() >= 2 ? words.at(1).toInt(&ok) : 0;
        if (!reply.statusLine.startsWith("HTTP/") || !ok)
            throw MirelonError(QStringLiteral("Invalid reply status line: ") + QString::fromLatin1(reply.statusLine.left(80)));
        if (reply.status >= 100 && reply.status < 200) { // interim reply: the real one follows
            start = end;
            continue;
        }

        qlonglong contentLength = -1;
        bool chunked = false;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines.at(i).trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0)
                continue;
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name == "content-type")
                reply.contentType = value;
            else if (name == "content-length") {
                const qlonglong length = value.toLongLong(&ok);
                contentLength = ok && length >= 0 ? length : -1;
            }
            else if (name == "transfer-encoding")
                chunked = value.toLower().contains("chunked");
        }
        if (contentLength > MaxReplyBytes)
            throw MirelonError(QStringLiteral("The reply is larger than %1 bytes").arg(MaxReplyBytes));

        if (chunked) {
            reply.complete = decodeChunked(data, end, reply.body);
        } else if (contentLength >= 0) {
            reply.complete = data.size() - end >= contentLength;
            reply.body = data.mid(end, contentLength);
        } else {
            reply.complete = closed; // the body runs to the end of the connection
            reply.body = data.mid(end);
        }
        if (closed && !reply.complete)
            throw MirelonError(QStringLiteral("Connection closed before the whole reply arrived."));
        return reply;
    }
}
} // namespace

PlainTarget ParsePlainTarget(const QString &address)
{
    QString rest = address;
    if (const qsizetype scheme = rest.indexOf(QStringLiteral("://")); scheme >= 0)
        rest = rest.mid(scheme + 3);
    qsizetype slash = rest.indexOf(QLatin1Char('/'));
    if (const qsizetype query = rest.indexOf(QLatin1Char('?')); query >= 0 && (slash < 0 || query < slash))
        slash = query;
    PlainTarget target;
    target.hostHeader = slash < 0 ? rest : rest.left(slash);
    QString path = slash < 0 ? QStringLiteral("/") : rest.mid(slash);
    if (path.startsWith(QLatin1Char('?')))
        path.prepend(QLatin1Char('/'));
    target.path = QUrl(path, QUrl::TolerantMode).toEncoded();
    if (target.path.isEmpty())
        target.path = "/";

    QString hostPart = target.hostHeader;
    if (const qsizetype at = hostPart.lastIndexOf(QLatin1Char('@')); at >= 0)
        hostPart = hostPart.mid(at + 1);
    QString portText;
    if (hostPart.startsWith(QLatin1Char('['))) {
        const qsizetype close = hostPart.indexOf(QLatin1Char(']'));
        if (close < 0)
            throw MirelonError(QStringLiteral("Invalid host in address: ") + address);
        target.host = hostPart.mid(1, close - 1);
        if (hostPart.mid(close + 1).startsWith(QLatin1Char(':')))
            portText = hostPart.mid(close + 2);
    } else {
        const qsizetype colon = hostPart.lastIndexOf(QLatin1Char(':'));
        target.host = colon < 0 ? hostPart : hostPart.left(colon);
        if (colon >= 0)
            portText = hostPart.mid(colon + 1);
    }
    if (!portText.isEmpty()) {
        bool ok = false;
        const uint port = portText.toUInt(&ok);
        if (!ok || port == 0 || port > 65535)
            throw MirelonError(QStringLiteral("Invalid port in address: ") + address);
        target.port = static_cast<quint16>(port);
    }
    if (target.host.isEmpty())
        throw MirelonError(QStringLiteral("No host in address: ") + address);
    return target;
}

QString PlainPost(const QString &address, const QByteArray &body, int timeoutMs)
{
    const PlainTarget target = ParsePlainTarget(address);

    QTcpSocket socket;
    socket.connectToHost(target.host, target.port);
    if (!socket.waitForConnected(timeoutMs))
        throw MirelonError(socket.error() == QAbstractSocket::SocketTimeoutError
                               ? QStringLiteral("Connection timed out.")
                               : socket.errorString());

    QByteArray request = "POST " + target.path + " HTTP/1.1\r\n";
    request += "Host: " + target.hostHeader.toUtf8() + "\r\n";
    request += "Content-Type: application/x-www-form-urlencoded\r\n";
    request += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    request += "Connection: close\r\n";
    request += "Accept: text/html, */*\r\n";
    request += "User-Agent: Mirelon\r\n\r\n";
    request += body;
    socket.write(request);

    // The time-out is for each read: it starts again whenever data moves, so a slow reply that
    // keeps coming is read to its end, and only a silence as long as the time-out fails.
    QDeadlineTimer deadline(timeoutMs);
    QByteArray received;
    for (;;) {
        if (socket.bytesToWrite() > 0 && !socket.waitForBytesWritten(int(deadline.remainingTime())))
            throw MirelonError(socket.error() == QAbstractSocket::SocketTimeoutError
                                   ? QStringLiteral("Read timed out.")
                                   : socket.errorString());
        if (const QByteArray piece = socket.readAll(); !piece.isEmpty()) {
            received += piece;
            deadline.setRemainingTime(timeoutMs);
        }
        if (received.size() > MaxReplyBytes + 64 * 1024)
            throw MirelonError(QStringLiteral("The reply is larger than %1 bytes").arg(MaxReplyBytes));
        const bool closed = socket.state() != QAbstractSocket::ConnectedState;
        const ParsedReply reply = parseReply(received, closed);
        if (reply.complete) {
            if (reply.status >= 400)
                throw MirelonError(QString::fromLatin1(reply.statusLine));
            return DecodeReplyBody(reply.body, reply.contentType, true);
        }
        if (deadline.hasExpired())
            throw MirelonError(QStringLiteral("Read timed out."));
        if (QThread::currentThread()->isInterruptionRequested())
            throw MirelonError(QStringLiteral("The request was cancelled"));
        // Waits in short slices so that a thread asked to stop notices soon.
        if (!socket.waitForReadyRead(int(std::clamp<qint64>(deadline.remainingTime(), 1, 100)))) {
            if (socket.error() == QAbstractSocket::SocketTimeoutError)
                continue;
            if (socket.error() != QAbstractSocket::RemoteHostClosedError
                && socket.state() == QAbstractSocket::ConnectedState)
                throw MirelonError(socket.errorString());
        }
    }
}
