#include "platform/AppIdentity.h"
#include "app/MainWindow.h"
#include "tests/support/MainWindowParts.h"
#include "tests/support/LoopbackHttpServer.h"
#include "webservices/FailureRecord.h"
#include "webservices/ReplyTags.h"
#include "webservices/RequestDescriptions.h"
#include "webservices/UpdateChecker.h"
#include "webservices/NewVersionWindow.h"
#include "webservices/UpdateState.h"
#include "webservices/UpdateStore.h"
#include "webservices/VersionDecision.h"

#include <QAction>
#include <QElapsedTimer>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>

#include <optional>

Q_DECLARE_METATYPE(CannedReply)

namespace {
const QByteArray NewerReply = "<version>1.2</version>\r\n<url>https://downloads.example.com/mirelon-1.2.exe</url>\r\n";
const QString Day1 = QStringLiteral("09/12/2026");
} // namespace

// The update check against the maker's service played by loopback servers (HTTP and HTTPS), with
// its per-user values in a temporary folder.
class TestUpdateCheck : public QObject {
    Q_OBJECT

    QTemporaryDir configDir;
    QTemporaryDir certDir;
    TestCertificate cert;
    std::optional<LoopbackHttpServer> plain;
    std::optional<LoopbackHttpServer> secure;

    void startServers()
    {
        plain.emplace();
        secure.emplace(cert.certificate, cert.key);
        qputenv("MIRELON_SERVICE_HOST", plain->hostAndPort().toUtf8());
        qputenv("MIRELON_SERVICE_HTTPS_PORT", QByteArray::number(secure->port()));
    }

    static void clearStore()
    {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("KORVANE"), QStringLiteral("Mirelon")).clear();
    }

    static QString stored(const char *name)
    {
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("KORVANE"), QStringLiteral("Mirelon"));
        return settings.value(QStringLiteral("Settings/") + QLatin1String(name)).toString();
    }

    static void store(const char *name, const QString &value)
    {
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("KORVANE"), QStringLiteral("Mirelon"));
        settings.setValue(QStringLiteral("Settings/") + QLatin1String(name), value);
    }

    // One program start's check, run to its end on this thread.
    static void runCheck(const QString &today, int timeoutMs = 3000)
    {
        UpdateState.Reset();
        UpdateChecker checker;
        checker.TodayText = [today] { return today; };
        checker.TimeoutMs = timeoutMs;
        checker.CheckNow();
        QVERIFY(UpdateState.CheckDone.load());
    }

    qsizetype requestsSent() const { return plain->requestCount() + secure->requestCount(); }

private slots:
    void initTestCase()
    {
        QVERIFY(configDir.isValid() && certDir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configDir.path());
        QVERIFY2(cert.Generate(certDir.path()), qPrintable(cert.error));
        TrustCertificateInThisProcess(cert.certificate);
        AppCompanyName = QStringLiteral("KORVANE");
        AppProductName = QStringLiteral("Mirelon");
        AppTitle = QStringLiteral("KORVANE - Mirelon");
        AppVersion = QStringLiteral("1.1");
        startServers();
    }

    void init()
    {
        clearStore();
        plain->clearRequests();
        secure->clearRequests();
        plain->setReply(CannedReply::text(NewerReply));
        secure->setReply(CannedReply::text(NewerReply));
        qputenv("MIRELON_SERVICE_HTTPS_PORT", QByteArray::number(secure->port()));
        CloseCountdown = 11;
    }

    void extractTag_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("text");
        QTest::newRow("tag name lowered") << "<version>1.2</version>" << "VERSION" << "1.2";
        QTest::newRow("tags in mixed case") << "<Version>1.2</Version>" << "version" << "";
        QTest::newRow("leading blank") << " <version>1.2</version>" << "version" << "";
        QTest::newRow("trailing blank") << "<version>1.2</version> " << "version" << "";
        QTest::newRow("empty element") << "<version></version>" << "version" << "";
        QTest::newRow("other tag") << "<url>x</url>" << "version" << "";
        QTest::newRow("empty line") << "" << "version" << "";
        QTest::newRow("empty tag name") << "<>x</>" << "" << "";
        QTest::newRow("address kept whole") << "<url>https://a.example/b?c=d&e</url>" << "url" << "https://a.example/b?c=d&e";
        QTest::newRow("two elements on a line") << "<version>1.2</version><url>u</url>" << "version" << "";
    }
    void extractTag()
    {
        QFETCH(QString, line);
        QFETCH(QString, tag);
        QFETCH(QString, text);
        QCOMPARE(ExtractTag(line, tag), text);
    }

    void failureRecord()
    {
        ClearFailures();
        ReportFailure(QStringLiteral("  "));
        QVERIFY(!FailureFlag);
        QVERIFY(FailureLog.isEmpty());
        ReportFailure(QStringLiteral("A"));
        ReportFailure(QStringLiteral("B "));
        QVERIFY(FailureFlag);
        QCOMPARE(FailureLog, QStringLiteral("A\r\rB "));
        ClearFailures();
        QVERIFY(!FailureFlag);
        QVERIFY(FailureLog.isEmpty());
    }

    void localeName_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("name");
        QTest::newRow("language and region") << QLocale(QLocale::German, QLocale::Germany) << "de-DE";
        QTest::newRow("en-US") << QLocale(QLocale::English, QLocale::UnitedStates) << "en-US";
        QTest::newRow("C") << QLocale::c() << "xx";
        QTest::newRow("not installed") << QLocale(QStringLiteral("zz_ZZ")) << "xx";
    }
    void localeName()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, name);
        QCOMPARE(LocaleNameForRequest(locale), name);
    }

    void versionDecision_data()
    {
        QTest::addColumn<QString>("latest");
        QTest::addColumn<int>("notificationsOn");
        QTest::addColumn<QString>("lastDay");
        QTest::addColumn<int>("dayCount");
        QTest::addColumn<bool>("show");
        QTest::newRow("newer 1.2") << "1.2" << 1 << "" << 1 << true;
        QTest::newRow("same 1.1") << "1.1" << 1 << "" << 1 << false;
        QTest::newRow("older 1.0 is announced too") << "1.0" << 1 << "" << 1 << true;
        QTest::newRow("1.2b") << "1.2b" << 1 << "" << 1 << false;
        QTest::newRow("empty") << "" << 1 << "" << 1 << false;
        QTest::newRow("beyond 32 bits") << "99999.99999" << 1 << "" << 1 << false;
        QTest::newRow("ShowUpdate 2") << "1.2" << 2 << "" << 1 << false;
        QTest::newRow("third request today") << "1.2" << 1 << Day1 << 3 << true;
        QTest::newRow("fourth request today") << "1.2" << 1 << Day1 << 4 << false;
        QTest::newRow("count from an earlier day") << "1.2" << 1 << "01/01/2020" << 9 << true;
    }
    void versionDecision()
    {
        QFETCH(QString, latest);
        QFETCH(int, notificationsOn);
        QFETCH(QString, lastDay);
        QFETCH(int, dayCount);
        QFETCH(bool, show);
        QCOMPARE(ShouldShowNewVersion(latest, QStringLiteral("1.1"), notificationsOn, lastDay, Day1, dayCount), show);
    }

    // Several starts on one day, then a new day, then a changed short date format.
    void dailyLimits()
    {
        for (int start = 1; start <= 6; ++start) {
            runCheck(Day1);
            QCOMPARE(requestsSent(), qMin(start, 5));
            QCOMPARE(UpdateState.ShowNewVersion, start <= 3);
            QCOMPARE(stored(UpdateStore::LastUpdateCheckCount), QString::number(qMin(start, 5)));
            QCOMPARE(stored(UpdateStore::LastUpdateCheck), Day1);
        }
        runCheck(QStringLiteral("10/12/2026"));
        QCOMPARE(requestsSent(), 6);
        QVERIFY(UpdateState.ShowNewVersion);
        QCOMPARE(stored(UpdateStore::LastUpdateCheckCount), QStringLiteral("1"));

        runCheck(QStringLiteral("2026-12-10")); // same day, other format: a new day
        QCOMPARE(requestsSent(), 7);
        QCOMPARE(stored(UpdateStore::LastUpdateCheckCount), QStringLiteral("1"));

        store(UpdateStore::LastUpdateCheck, QStringLiteral("01/01/2020"));
        store(UpdateStore::LastUpdateCheckCount, QStringLiteral("9"));
        runCheck(Day1);
        QCOMPARE(requestsSent(), 8);
        QVERIFY(UpdateState.ShowNewVersion);
        QCOMPARE(stored(UpdateStore::LastUpdateCheckCount), QStringLiteral("1"));
    }

    void showUpdateValue_data()
    {
        QTest::addColumn<QString>("showUpdate");
        QTest::addColumn<int>("notificationsOn");
        QTest::addColumn<int>("requests");
        QTest::newRow("0: nothing sent") << "0" << 0 << 0;
        QTest::newRow("2: sent, no window") << "2" << 2 << 1;
        QTest::newRow("unreadable: on") << "yes" << 1 << 1;
    }
    void showUpdateValue()
    {
        QFETCH(QString, showUpdate);
        QFETCH(int, notificationsOn);
        QFETCH(int, requests);
        store(UpdateStore::ShowUpdate, showUpdate);
        runCheck(Day1);
        QCOMPARE(UpdateState.NotificationsOn, notificationsOn);
        QCOMPARE(requestsSent(), requests);
        QCOMPARE(UpdateState.ShowNewVersion, notificationsOn == 1);
        QCOMPARE(stored(UpdateStore::LastUpdateCheckCount), requests ? QStringLiteral("1") : QString());
    }

    void requestFields()
    {
        runCheck(Day1);
        QCOMPARE(secure->requestCount(), 1);
        const RecordedRequest request = secure->requests().first();
        QCOMPARE(request.target, QByteArray("/php/check2.php"));
        const QList<QByteArray> fields = request.body.split('&');
        QCOMPARE(fields.size(), 5);
        QCOMPARE(fields.at(0), QByteArray("cmd=check"));
        QCOMPARE(fields.at(1), QByteArray("appname=KORVANE+-+Mirelon"));
        QCOMPARE(fields.at(2), QByteArray("version=1.1"));
        QVERIFY(fields.at(3).startsWith("os=") && fields.at(3).contains("Edition"));
        QCOMPARE(fields.at(4), "local=" + RequestLocaleName().toUtf8());
        QCOMPARE(stored(UpdateStore::CurrentVersion), QStringLiteral("1.2"));
        QCOMPARE(stored(UpdateStore::CurrentURL), QStringLiteral("https://downloads.example.com/mirelon-1.2.exe"));
    }

    // What each kind of reply, over which attempt, leaves behind.
    void replies_data()
    {
        QTest::addColumn<bool>("httpsRefused");
        QTest::addColumn<CannedReply>("httpsReply");
        QTest::addColumn<CannedReply>("httpReply");
        QTest::addColumn<bool>("show");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("failed");
        QTest::addColumn<QString>("logPart");

        const QString stored = QStringLiteral("https://stored.example.com/old.exe");
        const QString fresh = QStringLiteral("https://downloads.example.com/mirelon-1.2.exe");
        const CannedReply newer = CannedReply::text(NewerReply);
        const CannedReply none = CannedReply::text("unused");
        CannedReply truncated = newer;
        truncated.mode = CannedReply::Mode::Truncated;

        QTest::newRow("HTTPS refused, HTTP answers") << true << none << newer << true << "1.2" << fresh << false << "";
        QTest::newRow("HTTPS never answers, HTTP answers") << false << CannedReply::never() << newer << true << "1.2" << fresh << false << "";
        QTest::newRow("ERROR over HTTPS, not repeated") << false << CannedReply::text("ERROR: unknown app") << newer
                                                        << false << "" << stored << true << "INVALIDSERVERRESPONSE";
        QTest::newRow("both fail") << true << none << CannedReply::withStatus(500, "Internal Server Error") << false << ""
                                   << stored << true << "HTTP Response:\rHTTP/1.1 500 Internal Server Error";
        QTest::newRow("both time out") << false << CannedReply::never() << CannedReply::never() << false << "" << stored
                                       << true << "HTTPS Response:\r";
        QTest::newRow("only the version line") << false << CannedReply::text("<version>1.2</version>") << none << true
                                               << "1.2" << stored << false << "";
        QTest::newRow("HTTPS error status page") << false << CannedReply::withStatus(404, "Not Found", "<html>gone</html>")
                                                 << newer << false << "" << stored << true << "no version line";
        QTest::newRow("tags in capitals") << false << CannedReply::text("<VERSION>1.2</VERSION>\r\n<URL>u</URL>") << none
                                          << false << "" << "" << true << "no version line";
        QTest::newRow("no line breaks") << false << CannedReply::text("<version>1.2</version><url>u</url>") << none
                                        << false << "" << stored << true << "no version line";
        QTest::newRow("binary") << false << CannedReply::text(QByteArray("\x00\xff\xfe<version>\x01\r\n\x80", 16), "application/octet-stream")
                                << none << false << "" << "" << true << "no version line";
        QTest::newRow("truncated, both") << false << truncated << truncated << false << "" << stored << true << "HTTP Response:\r";
        QTest::newRow("huge, both") << false << CannedReply::text(QByteArray(5 << 20, '<')) << CannedReply::text(QByteArray(5 << 20, '<'))
                                    << false << "" << stored << true << "larger than";
    }
    void replies()
    {
        QFETCH(bool, httpsRefused);
        QFETCH(CannedReply, httpsReply);
        QFETCH(CannedReply, httpReply);
        QFETCH(bool, show);
        QFETCH(QString, version);
        QFETCH(QString, url);
        QFETCH(bool, failed);
        QFETCH(QString, logPart);

        store(UpdateStore::CurrentURL, QStringLiteral("https://stored.example.com/old.exe"));
        if (httpsRefused)
            qputenv("MIRELON_SERVICE_HTTPS_PORT", QByteArray::number(RefusedLoopbackPort()));
        secure->setReply(httpsReply);
        plain->setReply(httpReply);
        runCheck(Day1, 500);

        QCOMPARE(UpdateState.ShowNewVersion, show);
        QCOMPARE(UpdateState.LatestVersion, version);
        QCOMPARE(UpdateState.DownloadUrl, url);
        QCOMPARE(FailureFlag, failed);
        QVERIFY2(failed ? FailureLog.contains(logPart) : FailureLog.isEmpty(), qPrintable(FailureLog));
        QCOMPARE(stored(UpdateStore::LastUpdateCheckCount), QStringLiteral("1")); // counted whatever the outcome
        // A reply without the expected tags stores empty texts (and is noted in the failure record for
        // diagnosis); nothing of a failed request is stored.
        QCOMPARE(stored(UpdateStore::CurrentVersion), version);
    }

    // The main window's timer: thread on the first tick, result handled once the check is done.
    void mainWindowHandlesResult_data()
    {
        QTest::addColumn<QString>("showUpdate");
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<bool>("window");
        QTest::newRow("newer version") << "1" << true << true;
        QTest::newRow("ShowUpdate 0") << "0" << false << false;
        QTest::newRow("ShowUpdate 2") << "2" << true << false;
    }
    void mainWindowHandlesResult()
    {
        QFETCH(QString, showUpdate);
        QFETCH(bool, ticked);
        QFETCH(bool, window);
        store(UpdateStore::ShowUpdate, showUpdate);
        UpdateState.Reset();
        MainWindow form;
        form.show();
        QVERIFY(!Command(form, "updateNotificationsAction")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(Command(form, "updateNotificationsAction")->isEnabled(), 8000);
        QVERIFY(!Part<QTimer>(form, "updateCheckTimer")->isActive());
        QCOMPARE(Command(form, "updateNotificationsAction")->isChecked(), ticked);
        NewVersionWindow *notification = form.findChild<NewVersionWindow *>();
        QCOMPARE(notification != nullptr, window);
        if (window) {
            QTRY_VERIFY(notification->isVisible());
            QCOMPARE(notification->downloadLink->text(), QStringLiteral("Click to download Mirelon 1.2"));
        }
    }

    void checkerFreesItself()
    {
        store(UpdateStore::ShowUpdate, QStringLiteral("0"));
        UpdateState.Reset();
        UpdateState.CheckDone.store(true); // a thread starting its check clears the flag first
        auto *checker = new UpdateChecker();
        checker->TodayText = [] { return Day1; };
        const QPointer<UpdateChecker> watch(checker);
        checker->start();
        QTRY_VERIFY(watch.isNull());
        QVERIFY(UpdateState.CheckDone.load(std::memory_order_acquire));
        QCOMPARE(UpdateState.NotificationsOn, 0);
    }

    void toggleNotifications()
    {
        store(UpdateStore::ShowUpdate, QStringLiteral("1"));
        UpdateState.Reset();
        MainWindow form;
        QTRY_VERIFY_WITH_TIMEOUT(Command(form, "updateNotificationsAction")->isEnabled(), 8000);
        const bool shown = UpdateState.ShowNewVersion;
        Command(form, "updateNotificationsAction")->trigger();
        QVERIFY(!Command(form, "updateNotificationsAction")->isChecked());
        QCOMPARE(stored(UpdateStore::ShowUpdate), QStringLiteral("0"));
        Command(form, "updateNotificationsAction")->trigger();
        QVERIFY(Command(form, "updateNotificationsAction")->isChecked());
        QCOMPARE(stored(UpdateStore::ShowUpdate), QStringLiteral("1"));
        QCOMPARE(UpdateState.ShowNewVersion, shown); // this run is not affected
    }

    // While the service keeps the check waiting, the window's event loop goes on.
    void checkNeverBlocksTheWindow()
    {
        secure->setReply(CannedReply::never());
        plain->setReply(CannedReply::never());
        UpdateState.Reset();
        {
            MainWindow form;
            QTRY_VERIFY_WITH_TIMEOUT(secure->requestCount() == 1, 5000);
            bool ticked = false;
            QElapsedTimer clock;
            clock.start();
            QTimer::singleShot(50, &form, [&] { ticked = true; });
            QTRY_VERIFY_WITH_TIMEOUT(ticked, 1000);
            QVERIFY(clock.elapsed() < 1000);
            QVERIFY(!UpdateState.CheckDone.load());
            QVERIFY(!Command(form, "updateNotificationsAction")->isEnabled());

            // Taking the service away ends the waiting attempts; the check then finishes.
            plain.reset();
            secure.reset();
            QTRY_VERIFY_WITH_TIMEOUT(Command(form, "updateNotificationsAction")->isEnabled(), 5000);
            QVERIFY(FailureFlag);
            QVERIFY(form.findChild<NewVersionWindow *>() == nullptr);
        }
        startServers();
    }
};

QTEST_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
