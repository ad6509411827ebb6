#include "webservices/PostForm.h"

#include "platform/Errors.h"
#include "webservices/FormEncoding.h"
#include "webservices/PlainClient.h"
#include "webservices/SecureClient.h"

#include <exception>

QString PostForm(const QString &address, const QStringList &fields, int timeoutMs)
{
    const QByteArray body = EncodeFormFields(fields);
    if (address.toLower().startsWith(QStringLiteral("https://")))
        return SecurePost(address, body, timeoutMs);
    return PlainPost(address, body, timeoutMs);
}

namespace {
// Runs one attempt; on failure stores the message and returns false.
bool attempt(const QString &address, const QStringList &fields, int timeoutMs, QString &reply, QString &error)
{
    try {
        reply = PostForm(address, fields, timeoutMs);
        return true;
    } catch (const std::exception &e) {
        error = ErrorMessage(e);
    } catch (...) {
        error = QStringLiteral("Unknown error");
    }
    return false;
}
} // namespace

PostAttempts PostWithFallbackAttempts(const QString &hostAndPath, const QStringList &fields, int timeoutMs)
{
    PostAttempts result;
    if (attempt(HttpsAddressOf(hostAndPath), fields, timeoutMs, result.reply, result.httpsError))
        return result;
    result.httpsFailed = true;
    result.httpFailed = !attempt(HttpAddressOf(hostAndPath), fields, timeoutMs, result.reply, result.httpError);
    return result;
}

QString PostWithFallback(const QString &hostAndPath, const QStringList &fields, int timeoutMs)
{
    return PostWithFallbackAttempts(hostAndPath, fields, timeoutMs).reply;
}

QString HttpsAddressOf(const QString &hostAndPath)
{
    const QString httpsPort = qEnvironmentVariable("MIRELON_SERVICE_HTTPS_PORT").trimmed();
    if (httpsPort.isEmpty())
        return QStringLiteral("https://") + hostAndPath;

    const qsizetype slash = hostAndPath.indexOf(QLatin1Char('/'));
    QString host = slash < 0 ? hostAndPath : hostAndPath.left(slash);
    const QString path = slash < 0 ? QString() : hostAndPath.mid(slash);
    const qsizetype bracket = host.lastIndexOf(QLatin1Char(']'));
    const qsizetype colon = host.lastIndexOf(QLatin1Char(':'));
    if (colon > bracket && (bracket >= 0 || host.count(QLatin1Char(':')) == 1))
        host.truncate(colon);
    return QStringLiteral("https://") + host + QLatin1Char(':') + httpsPort + path;
}

QString HttpAddressOf(const QString &hostAndPath)
{
    return QStringLiteral("http://") + hostAndPath;
}

QStringList SplitReplyLines(const QString &reply)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < reply.size(); ++i) {
        const QChar c = reply.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(reply.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < reply.size() && reply.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < reply.size())
        lines.append(reply.mid(start));
    return lines;
}
