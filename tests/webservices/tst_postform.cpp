#include "platform/Errors.h"
#include "tests/support/LoopbackHttpServer.h"
#include "webservices/FormEncoding.h"
#include "webservices/PostForm.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

// The form post and the two-attempt pattern, against real HTTP and HTTPS servers on loopback.
class TestPostForm : public QObject {
    Q_OBJECT

    QTemporaryDir certDir;
    TestCertificate cert;
    std::optional<LoopbackHttpServer> plain;
    std::optional<LoopbackHttpServer> secure;

    QString plainUrl(const QString &path = QStringLiteral("/php/check2.php")) const
    {
        return QStringLiteral("http://") + plain->hostAndPort() + path;
    }
    QString secureUrl(const QString &path = QStringLiteral("/php/check2.php")) const
    {
        return QStringLiteral("https://") + secure->hostAndPort() + path;
    }

    // Message of the error PostForm raises, or a null text when it returns.
    static QString failureOf(const QString &address, int timeoutMs = 2000)
    {
        try {
            PostForm(address, {QStringLiteral("cmd=check")}, timeoutMs);
        } catch (const MirelonError &e) {
            return e.message().isEmpty() ? QStringLiteral("(empty message)") : e.message();
        }
        return {};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(certDir.isValid());
        QVERIFY2(cert.Generate(certDir.path()), qPrintable(cert.error));
        TrustCertificateInThisProcess(cert.certificate);
        plain.emplace();
        secure.emplace(cert.certificate, cert.key);
        QVERIFY(plain->port() != 0);
        QVERIFY(secure->port() != 0);
    }

    void init()
    {
        plain->clearRequests();
        secure->clearRequests();
        plain->setReply(CannedReply::text("OK"));
        secure->setReply(CannedReply::text("OK"));
        qunsetenv("MIRELON_SERVICE_HTTPS_PORT");
    }

    void encoding_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("blanks and brackets") << QStringList{"os=Windows 10 (Version 22H2)"}
                                             << QByteArray("os=Windows+10+%28Version+22H2%29");
        QTest::newRow("UTF-8 bytes") << QStringList{QString::fromUtf8("local=\u00e9")} << QByteArray("local=%C3%A9");
        QTest::newRow("split at first =") << QStringList{"a=b=c"} << QByteArray("a=b%3Dc");
        QTest::newRow("kept characters") << QStringList{"k=AZaz09*-._~/+&"} << QByteArray("k=AZaz09*-._%7E%2F%2B%26");
        QTest::newRow("percent sign before 20") << QStringList{"p=%20 %"} << QByteArray("p=%2520+%25");
        QTest::newRow("name encoded too") << QStringList{"n a=v"} << QByteArray("n+a=v");
        QTest::newRow("order, no trailing &") << QStringList{"cmd=check", "appname=K - M", "version=1.1"}
                                              << QByteArray("cmd=check&appname=K+-+M&version=1.1");
        QTest::newRow("empty value") << QStringList{"x="} << QByteArray("x=");
        QTest::newRow("no fields") << QStringList{} << QByteArray();
    }
    void encoding()
    {
        QFETCH(QStringList, fields);
        QFETCH(QByteArray, body);
        QCOMPARE(EncodeFormFields(fields), body);
    }

    // Both clients send the same body; the headers differ only in the content type's charset.
    void requestOnTheWire_data()
    {
        QTest::addColumn<bool>("overTls");
        QTest::addColumn<QByteArray>("contentType");
        QTest::newRow("secure") << true << QByteArray("application/x-www-form-urlencoded; charset=utf-8");
        QTest::newRow("plain") << false << QByteArray("application/x-www-form-urlencoded");
    }
    void requestOnTheWire()
    {
        QFETCH(bool, overTls);
        QFETCH(QByteArray, contentType);
        const QStringList fields{"cmd=check", "os=Windows 10 (Version 22H2)", QString::fromUtf8("local=\u00e9"), "a=b=c"};
        QCOMPARE(PostForm(overTls ? secureUrl() : plainUrl(), fields, 3000), QStringLiteral("OK"));
        LoopbackHttpServer &server = overTls ? *secure : *plain;
        QCOMPARE(server.requestCount(), 1);
        const RecordedRequest request = server.requests().first();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.target, QByteArray("/php/check2.php"));
        QCOMPARE(request.header("Connection").toLower(), QByteArray("close"));
        QCOMPARE(request.header("Content-Type"), contentType);
        QCOMPARE(request.body, QByteArray("cmd=check&os=Windows+10+%28Version+22H2%29&local=%C3%A9&a=b%3Dc"));
    }

    // Only an "https://" prefix, in any case, picks the secure client.
    void clientChoice_data()
    {
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<bool>("overTls");
        QTest::newRow("https in capitals") << "HTTPS://" << true;
        QTest::newRow("http") << "http://" << false;
        QTest::newRow("ftp") << "ftp://" << false;
        QTest::newRow("no scheme") << "" << false;
    }
    void clientChoice()
    {
        QFETCH(QString, scheme);
        QFETCH(bool, overTls);
        const LoopbackHttpServer &server = overTls ? *secure : *plain;
        QCOMPARE(PostForm(scheme + server.hostAndPort() + "/php/feedback.php", {"x=1"}, 3000), QStringLiteral("OK"));
        QCOMPARE(server.requestCount(), 1);
        QCOMPARE(server.requests().first().target, QByteArray("/php/feedback.php"));
        QCOMPARE(server.requests().first().overTls, overTls);
    }

    // The reply's charset decides; without one, UTF-8 (secure) or one character per byte (plain).
    void decoding_data()
    {
        QTest::addColumn<bool>("overTls");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text");
        const QString e = QString::fromUtf8("\u00e9");
        const auto normal = int(CannedReply::Mode::Normal);
        QTest::newRow("secure, no charset: UTF-8") << true << QByteArray("text/html") << normal << QByteArray("\xc3\xa9") << e;
        QTest::newRow("secure, Latin-1 named") << true << QByteArray("text/html; charset=ISO-8859-1") << normal << QByteArray("\xe9") << e;
        QTest::newRow("plain, no charset: bytes") << false << QByteArray("text/html") << normal << QByteArray("\xc3\xa9")
                                                  << QString::fromUtf8("\u00c3\u00a9");
        QTest::newRow("plain, quoted UTF-8 named") << false << QByteArray("text/plain; charset=\"utf-8\"") << normal
                                                   << QByteArray("\xc3\xa9") << e;
        QTest::newRow("plain, no content type") << false << QByteArray() << normal << QByteArray("\xe9") << e;
        QTest::newRow("plain, chunked") << false << QByteArray("text/html") << int(CannedReply::Mode::Chunked)
                                        << QByteArray("<version>1.2</version>\r\n<url>u</url>\r\n")
                                        << QStringLiteral("<version>1.2</version>\r\n<url>u</url>\r\n");
        QTest::newRow("plain, body until close") << false << QByteArray("text/html") << int(CannedReply::Mode::UntilClose)
                                                 << QByteArray("abc") << QStringLiteral("abc");
        QTest::newRow("secure, chunked") << true << QByteArray("text/html") << int(CannedReply::Mode::Chunked)
                                         << QByteArray("0123456789abcdef") << QStringLiteral("0123456789abcdef");
    }
    void decoding()
    {
        QFETCH(bool, overTls);
        QFETCH(QByteArray, contentType);
        QFETCH(int, mode);
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        CannedReply reply = CannedReply::text(body, contentType);
        reply.mode = CannedReply::Mode(mode);
        (overTls ? *secure : *plain).setReply(reply);
        QCOMPARE(PostForm(overTls ? secureUrl() : plainUrl(), {"cmd=check"}, 3000), text);
    }

    // The secure client hands back any status; the plain client raises with the status line.
    void httpStatus_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reason");
        QTest::newRow("404") << 404 << QByteArray("Not Found");
        QTest::newRow("500") << 500 << QByteArray("Internal Server Error");
        QTest::newRow("400") << 400 << QByteArray("Bad Request");
    }
    void httpStatus()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, reason);
        secure->setReply(CannedReply::withStatus(status, reason, "page body"));
        plain->setReply(CannedReply::withStatus(status, reason, "page body"));
        QCOMPARE(PostForm(secureUrl(), {"cmd=check"}, 3000), QStringLiteral("page body"));
        QCOMPARE(failureOf(plainUrl()), QStringLiteral("HTTP/1.1 %1 %2").arg(status).arg(QString::fromLatin1(reason)));
    }

    // Transport failures raise with a message on both clients; never a partial reply.
    void transportFailures_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("reply never comes") << int(CannedReply::Mode::Never);
        QTest::newRow("closed without reply") << int(CannedReply::Mode::CloseWithoutReply);
        QTest::newRow("truncated body") << int(CannedReply::Mode::Truncated);
    }
    void transportFailures()
    {
        QFETCH(int, mode);
        CannedReply reply = CannedReply::text("<version>1.2</version>");
        reply.mode = CannedReply::Mode(mode);
        plain->setReply(reply);
        secure->setReply(reply);
        for (const QString &address : {plainUrl(), secureUrl()}) {
            QElapsedTimer clock;
            clock.start();
            const QString message = failureOf(address, 400);
            QVERIFY2(!message.isNull(), qPrintable(address));
            QVERIFY2(clock.elapsed() < 4000, qPrintable(QString::number(clock.elapsed())));
        }
    }

    // The plain client's time-out is for each read: a reply that keeps coming is read to its
    // end however long it takes in all; a silence as long as the time-out fails.
    void plainTimeOutIsPerRead_data()
    {
        QTest::addColumn<int>("gapMs");
        QTest::addColumn<bool>("arrives");
        QTest::newRow("slow but steady, 4 time-outs in all") << 150 << true;
        QTest::newRow("a gap longer than the time-out") << 900 << false;
    }
    void plainTimeOutIsPerRead()
    {
        QFETCH(int, gapMs);
        QFETCH(bool, arrives);
        const int timeoutMs = 400;
        CannedReply reply = CannedReply::text("<version>1.2</version>");
        reply.mode = CannedReply::Mode::Trickle;
        reply.trickleMs = gapMs;
        reply.tricklePieces = arrives ? 12 : 3;
        plain->setReply(reply);
        if (arrives)
            QCOMPARE(PostForm(plainUrl(), {"cmd=check"}, timeoutMs), QStringLiteral("<version>1.2</version>"));
        else
            QCOMPARE(failureOf(plainUrl(), timeoutMs), QStringLiteral("Read timed out."));
    }

    void connectionFailures()
    {
        const quint16 refused = RefusedLoopbackPort();
        QVERIFY(!failureOf(QStringLiteral("https://127.0.0.1:%1/x").arg(refused)).isNull());
        QVERIFY(!failureOf(QStringLiteral("http://127.0.0.1:%1/x").arg(refused)).isNull());
        // TLS to a plain server, and a certificate nobody trusts.
        QVERIFY(!failureOf(QStringLiteral("https://") + plain->hostAndPort() + "/x", 1000).isNull());
        QTemporaryDir otherDir;
        TestCertificate untrusted;
        QVERIFY2(untrusted.Generate(otherDir.path()), qPrintable(untrusted.error));
        LoopbackHttpServer stranger(untrusted.certificate, untrusted.key);
        QVERIFY(!failureOf(QStringLiteral("https://") + stranger.hostAndPort() + "/x").isNull());
        QCOMPARE(stranger.requestCount(), 0);
    }

    void hugeReplyIsRefused()
    {
        const QByteArray huge(5 * 1024 * 1024, 'x');
        plain->setReply(CannedReply::text(huge));
        secure->setReply(CannedReply::text(huge));
        QVERIFY(failureOf(plainUrl(), 5000).contains(QStringLiteral("larger")));
        QVERIFY(failureOf(secureUrl(), 5000).contains(QStringLiteral("larger")));
    }

    void fallback()
    {
        // A reply over HTTPS, even an error page, is not repeated over HTTP.
        secure->setReply(CannedReply::withStatus(500, "Internal Server Error", "ERROR"));
        qputenv("MIRELON_SERVICE_HTTPS_PORT", QByteArray::number(secure->port()));
        PostAttempts attempts = PostWithFallbackAttempts(plain->hostAndPort() + "/php/check2.php", {"cmd=check"}, 3000);
        QCOMPARE(attempts.reply, QStringLiteral("ERROR"));
        QVERIFY(!attempts.httpsFailed && !attempts.httpTried());
        QCOMPARE(secure->requestCount(), 1);
        QCOMPARE(plain->requestCount(), 0);

        // HTTPS refused: the same fields go over HTTP.
        qputenv("MIRELON_SERVICE_HTTPS_PORT", QByteArray::number(RefusedLoopbackPort()));
        plain->setReply(CannedReply::text("<version>1.2</version>"));
        attempts = PostWithFallbackAttempts(plain->hostAndPort() + "/php/check2.php", {"cmd=check", "a=b=c"}, 3000);
        QCOMPARE(attempts.reply, QStringLiteral("<version>1.2</version>"));
        QVERIFY(attempts.httpsFailed && !attempts.httpsError.isEmpty());
        QVERIFY(attempts.httpTried() && !attempts.httpFailed);
        QCOMPARE(plain->requests().first().body, QByteArray("cmd=check&a=b%3Dc"));

        // Both fail: empty reply, both messages kept.
        plain->setReply(CannedReply::withStatus(404, "Not Found"));
        attempts = PostWithFallbackAttempts(plain->hostAndPort() + "/php/check2.php", {"cmd=check"}, 3000);
        QVERIFY(attempts.reply.isEmpty());
        QVERIFY(attempts.httpFailed);
        QCOMPARE(attempts.httpError, QStringLiteral("HTTP/1.1 404 Not Found"));
        QCOMPARE(PostWithFallback(plain->hostAndPort() + "/php/check2.php", {"cmd=check"}, 3000), QString());
    }

    void httpsAddress_data()
    {
        QTest::addColumn<QString>("httpsPort");
        QTest::addColumn<QString>("hostAndPath");
        QTest::addColumn<QString>("https");
        QTest::newRow("no override") << "" << "www.example.com/php/check2.php" << "https://www.example.com/php/check2.php";
        QTest::newRow("port replaced") << "8443" << "127.0.0.1:8080/php/check2.php" << "https://127.0.0.1:8443/php/check2.php";
        QTest::newRow("port added") << "8443" << "localhost/p" << "https://localhost:8443/p";
        QTest::newRow("IPv6") << "8443" << "[::1]:8080/p" << "https://[::1]:8443/p";
    }
    void httpsAddress()
    {
        QFETCH(QString, httpsPort);
        QFETCH(QString, hostAndPath);
        QFETCH(QString, https);
        qputenv("MIRELON_SERVICE_HTTPS_PORT", httpsPort.toUtf8());
        QCOMPARE(HttpsAddressOf(hostAndPath), https);
        QCOMPARE(HttpAddressOf(hostAndPath), QStringLiteral("http://") + hostAndPath);
    }

    void splitLines_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("OK CR LF") << "OK\r\n" << QStringList{"OK"};
        QTest::newRow("mixed breaks") << "a\rb\nc\r\nd" << QStringList{"a", "b", "c", "d"};
        QTest::newRow("empty lines kept") << "a\r\n\r\nb\n\n" << QStringList{"a", "", "b", ""};
        QTest::newRow("LF CR is two breaks") << "a\n\rb" << QStringList{"a", "", "b"};
        QTest::newRow("empty") << "" << QStringList{};
        QTest::newRow("no break") << "<version>1.2</version>" << QStringList{"<version>1.2</version>"};
    }
    void splitLines()
    {
        QFETCH(QString, reply);
        QFETCH(QStringList, lines);
        QCOMPARE(SplitReplyLines(reply), lines);
    }
};

QTEST_GUILESS_MAIN(TestPostForm)
#include "tst_postform.moc"
