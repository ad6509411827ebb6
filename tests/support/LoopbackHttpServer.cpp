#include "tests/support/LoopbackHttpServer.h"

#include <QFile>
#include <QHostAddress>
#include <QMetaObject>
#include <QProcess>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>

QByteArray RecordedRequest::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

// Lives on the server thread: accepts connections, reads requests, writes canned replies.
class LoopbackServerWorker : public QTcpServer {
public:
    LoopbackServerWorker(LoopbackHttpServer *owner, bool tls, QSslCertificate certificate, QSslKey key)
        : owner(owner), tls(tls), certificate(std::move(certificate)), key(std::move(key)) {}

    quint16 open()
    {
        return listen(QHostAddress::LocalHost, 0) ? serverPort() : 0;
    }

    void shutDown()
    {
        close();
        for (QTcpSocket *socket : findChildren<QTcpSocket *>(Qt::FindDirectChildrenOnly)) {
            socket->abort();
            delete socket;
        }
    }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        QTcpSocket *socket = nullptr;
        if (tls) {
            auto *secure = new QSslSocket(this);
            secure->setLocalCertificate(certificate);
            secure->setPrivateKey(key);
            secure->setPeerVerifyMode(QSslSocket::VerifyNone);
            socket = secure;
        } else {
            socket = new QTcpSocket(this);
        }
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        auto buffer = std::make_shared<QByteArray>();
        auto answered = std::make_shared<bool>(false);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer, answered] {
            buffer->append(socket->readAll());
            if (!*answered)
                tryAnswer(socket, *buffer, *answered);
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        if (tls)
            static_cast<QSslSocket *>(socket)->startServerEncryption();
    }

private:
    void tryAnswer(QTcpSocket *socket, const QByteArray &data, bool &answered)
    {
        const qsizetype end = data.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        RecordedRequest request;
        request.overTls = tls;
        const QList<QByteArray> lines = data.left(end).split('\n');
        const QList<QByteArray> first = lines.first().trimmed().split(' ');
        request.method = first.value(0);
        request.target = first.value(1);
        qsizetype length = 0;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines.at(i).trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0)
                continue;
            request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        }
        length = request.header("Content-Length").toLongLong();
        if (data.size() < end + 4 + length)
            return;
        request.body = data.mid(end + 4, length);
        answered = true;

        const CannedReply reply = owner->replyFor(request);
        using Mode = CannedReply::Mode;
        if (reply.mode == Mode::Never)
            return;
        if (reply.mode == Mode::CloseWithoutReply) {
            socket->disconnectFromHost();
            return;
        }
        QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reply.reason + "\r\n";
        if (!reply.contentType.isEmpty())
            out += "Content-Type: " + reply.contentType + "\r\n";
        if (reply.mode == Mode::Chunked)
            out += "Transfer-Encoding: chunked\r\n";
        else if (reply.mode == Mode::Truncated)
            out += "Content-Length: " + QByteArray::number(reply.body.size() + 100) + "\r\n";
        else if (reply.mode == Mode::Normal || reply.mode == Mode::Trickle)
            out += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
        out += "Connection: close\r\n\r\n";
        if (reply.mode == Mode::Chunked) {
            for (qsizetype i = 0; i < reply.body.size(); i += 7) {
                const QByteArray piece = reply.body.mid(i, 7);
                out += QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
            }
            out += "0\r\n\r\n";
        } else {
            out += reply.body;
        }
        if (reply.mode == Mode::Trickle) {
            const qsizetype pieces = std::max(1, reply.tricklePieces);
            const qsizetype size = (out.size() + pieces - 1) / pieces;
            for (qsizetype i = 0; i < pieces; ++i)
                QTimer::singleShot(int(i) * reply.trickleMs, socket, [socket, piece = out.mid(i * size, size)] {
                    socket->write(piece);
                    socket->flush();
                });
            QTimer::singleShot(int(pieces - 1) * reply.trickleMs, socket, [socket] { socket->disconnectFromHost(); });
            return;
        }
        socket->write(out);
        socket->disconnectFromHost(); // flushes what is written, then closes
    }

    LoopbackHttpServer *owner;
    bool tls;
    QSslCertificate certificate;
    QSslKey key;
};

LoopbackHttpServer::LoopbackHttpServer()
{
    start(false, QSslCertificate(), QSslKey());
}

LoopbackHttpServer::LoopbackHttpServer(const QSslCertificate &certificate, const QSslKey &key)
{
    start(true, certificate, key);
}

void LoopbackHttpServer::start(bool tls, const QSslCertificate &certificate, const QSslKey &key)
{
    thread = std::make_unique<QThread>();
    worker = new LoopbackServerWorker(this, tls, certificate, key);
    worker->moveToThread(thread.get());
    thread->start();
    QMetaObject::invokeMethod(worker, [this] { return worker->open(); }, Qt::BlockingQueuedConnection,
                              &listeningPort);
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    QMetaObject::invokeMethod(worker, [this] {
        worker->shutDown();
        delete worker;
    }, Qt::BlockingQueuedConnection);
    thread->quit();
    thread->wait();
}

QString LoopbackHttpServer::hostAndPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(listeningPort);
}

void LoopbackHttpServer::setReply(const CannedReply &reply)
{
    setHandler([reply](const RecordedRequest &) { return reply; });
}

void LoopbackHttpServer::setHandler(std::function<CannedReply(const RecordedRequest &)> newHandler)
{
    const QMutexLocker lock(&mutex);
    handler = std::move(newHandler);
}

QList<RecordedRequest> LoopbackHttpServer::requests() const
{
    const QMutexLocker lock(&mutex);
    return received;
}

qsizetype LoopbackHttpServer::requestCount() const
{
    const QMutexLocker lock(&mutex);
    return received.size();
}

void LoopbackHttpServer::clearRequests()
{
    const QMutexLocker lock(&mutex);
    received.clear();
}

CannedReply LoopbackHttpServer::replyFor(const RecordedRequest &request)
{
    const QMutexLocker lock(&mutex);
    received.append(request);
    return handler ? handler(request) : CannedReply::text("OK");
}

quint16 RefusedLoopbackPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close(); // nothing listens there any more
    return port;
}

bool TestCertificate::Generate(const QString &dir)
{
    const QString keyPath = dir + QStringLiteral("/key.pem");
    const QString certPath = dir + QStringLiteral("/cert.pem");
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
                   QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                   QStringLiteral("-keyout"), keyPath, QStringLiteral("-out"), certPath, QStringLiteral("-days"),
                   QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
                   QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost")});
    if (!openssl.waitForFinished(30000) || openssl.exitStatus() != QProcess::NormalExit || openssl.exitCode() != 0) {
        error = QStringLiteral("openssl failed: ") + QString::fromLocal8Bit(openssl.readAllStandardError())
                + openssl.errorString();
        return false;
    }
    const QList<QSslCertificate> certificates = QSslCertificate::fromPath(certPath);
    QFile keyFile(keyPath);
    if (certificates.isEmpty() || !keyFile.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read the generated certificate or key");
        return false;
    }
    certificate = certificates.first();
    key = QSslKey(keyFile.readAll(), QSsl::Ec);
    if (key.isNull()) {
        error = QStringLiteral("cannot load the generated key");
        return false;
    }
    return true;
}

void TrustCertificateInThisProcess(const QSslCertificate &certificate)
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificate(certificate);
    QSslConfiguration::setDefaultConfiguration(configuration);
}
