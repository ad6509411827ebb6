#pragma once
#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QPair>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>

#include <functional>
#include <memory>

class QThread;
class LoopbackServerWorker;

// One request as the server received it.
struct RecordedRequest {
    QByteArray method;
    QByteArray target;  // path and query as sent
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    bool overTls = false;

    QByteArray header(const QByteArray &name) const; // first header of that name (any case), else empty
};

// What the server answers.
struct CannedReply {
    enum class Mode {
        Normal,            // status line, headers with Content-Length, body, then close
        Chunked,           // the body in small chunks (Transfer-Encoding: chunked)
        UntilClose,        // no Content-Length: the body ends where the connection ends
        Truncated,         // announces more body bytes than it sends, then closes
        CloseWithoutReply, // closes the connection once the request is in
        Never,             // keeps the connection open and never answers
        Trickle,           // like Normal, but sent in small pieces, trickleMs apart
    };
    int status = 200;
    QByteArray reason = "OK";
    QByteArray contentType = "text/html"; // sent as given; empty: no Content-Type header
    QByteArray body;
    Mode mode = Mode::Normal;
    int trickleMs = 0;
    int tricklePieces = 1;

    static CannedReply text(const QByteArray &body, const QByteArray &contentType = "text/html")
    {
        CannedReply reply;
        reply.body = body;
        reply.contentType = contentType;
        return reply;
    }
    static CannedReply withStatus(int code, const QByteArray &reason, const QByteArray &body = {})
    {
        CannedReply reply;
        reply.status = code;
        reply.reason = reason;
        reply.body = body;
        return reply;
    }
    static CannedReply never()
    {
        CannedReply reply;
        reply.mode = Mode::Never;
        return reply;
    }
};

// An HTTP/1.1 server on 127.0.0.1 with an ephemeral port, running on a thread of its own so that
// a test may block in a synchronous client. Plain, or TLS when given a certificate and key.
// Records every complete request and answers it with the current canned reply (or handler).
class LoopbackHttpServer {
public:
    LoopbackHttpServer();
    LoopbackHttpServer(const QSslCertificate &certificate, const QSslKey &key);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer &) = delete;
    LoopbackHttpServer &operator=(const LoopbackHttpServer &) = delete;

    quint16 port() const { return listeningPort; }
    QString hostAndPort() const; // "127.0.0.1:<port>"

    void setReply(const CannedReply &reply);
    void setHandler(std::function<CannedReply(const RecordedRequest &)> handler);

    QList<RecordedRequest> requests() const;
    qsizetype requestCount() const;
    void clearRequests();

    // Used by the server thread.
    CannedReply replyFor(const RecordedRequest &request);

private:
    void start(bool tls, const QSslCertificate &certificate, const QSslKey &key);

    mutable QMutex mutex;
    std::function<CannedReply(const RecordedRequest &)> handler;
    QList<RecordedRequest> received;
    std::unique_ptr<QThread> thread;
    LoopbackServerWorker *worker = nullptr;
    quint16 listeningPort = 0;
};

// A loopback port on which nothing listens (connections are refused).
quint16 RefusedLoopbackPort();

// A self-signed certificate for 127.0.0.1 and localhost, made with the openssl command in dir.
// Returns false (with the reason in error) when it cannot be made.
struct TestCertificate {
    QSslCertificate certificate;
    QSslKey key;
    QString error;
    bool Generate(const QString &dir);
};

// Makes the TLS clients of this process trust the certificate (added to the default CA list).
void TrustCertificateInThisProcess(const QSslCertificate &certificate);
