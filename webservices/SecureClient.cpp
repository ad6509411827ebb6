#include "webservices/SecureClient.h"

#include "platform/Errors.h"
#include "webservices/ReplyDecoding.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <limits>
#include <memory>

namespace {
// Failures below the HTTP layer: no usable reply arrived, whatever status line was seen.
bool isTransportFailure(QNetworkReply::NetworkError error)
{
    const int code = static_cast<int>(error);
    return (code >= 1 && code < 200) || error == QNetworkReply::ProtocolUnknownError
           || error == QNetworkReply::ProtocolFailure;
}
} // namespace

QString SecurePost(const QString &address, const QByteArray &body, int timeoutMs)
{
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(address, QUrl::TolerantMode)};
    request.setRawHeader("Connection", "close");
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded; charset=utf-8"));
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setTransferTimeout(timeoutMs);

    // Declared after the manager so that it goes first.
    const std::unique_ptr<QNetworkReply> reply(manager.post(request, body));

    bool timedOut = false;
    bool tooLarge = false;
    bool interrupted = false;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    // A thread asked to stop (the application is quitting) gives up its request.
    QTimer interruptionPoll;
    QObject::connect(&interruptionPoll, &QTimer::timeout, &loop, [&] {
        if (QThread::currentThread()->isInterruptionRequested()) {
            interrupted = true;
            reply->abort();
        }
    });
    interruptionPoll.start(100);
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress, &loop, [&](qint64 received, qint64) {
        if (received > MaxReplyBytes) {
            tooLarge = true;
            reply->abort();
        }
    });
    deadline.start(int(qMin<qint64>(2 * qint64(timeoutMs), std::numeric_limits<int>::max())));
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents); // the caller blocks; user input waits

    if (tooLarge)
        throw MirelonError(QStringLiteral("The reply is larger than %1 bytes").arg(MaxReplyBytes));
    if (interrupted)
        throw MirelonError(QStringLiteral("The request was cancelled"));
    const QNetworkReply::NetworkError error = reply->error();
    if (error == QNetworkReply::OperationCanceledError || timedOut)
        throw MirelonError(QStringLiteral("The operation timed out"));
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (error != QNetworkReply::NoError && (isTransportFailure(error) || !status.isValid()))
        throw MirelonError(reply->errorString());

    const QByteArray data = reply->readAll();
    if (data.size() > MaxReplyBytes)
        throw MirelonError(QStringLiteral("The reply is larger than %1 bytes").arg(MaxReplyBytes));
    return DecodeReplyBody(data, reply->rawHeader("Content-Type"), false);
}
