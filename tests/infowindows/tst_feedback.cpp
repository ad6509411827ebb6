#include "platform/AppIdentity.h"
#include "infowindows/FeedbackChoicePanel.h"
#include "infowindows/FeedbackEmail.h"
#include "infowindows/FeedbackWindow.h"
#include "infowindows/FeedbackSendButton.h"
#include "tests/support/LoopbackHttpServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <optional>

Q_DECLARE_METATYPE(CannedReply)

namespace {
// The fields of a form body, decoded back to "name=value".
QStringList decodeForm(QByteArray body)
{
    QStringList fields;
    if (body.isEmpty())
        return fields;
    body.replace('+', ' ');
    for (const QByteArray &part : body.split('&')) {
        const qsizetype equals = part.indexOf('=');
        fields << QUrl::fromPercentEncoding(part.left(equals)) + QLatin1Char('=')
                      + QUrl::fromPercentEncoding(part.mid(equals + 1));
    }
    return fields;
}

// Records what the window would show; a box must never appear under the busy cursor.
struct Reporter {
    QStringList messages; // "title|text"
    int beeps = 0;
    void attach(FeedbackWindow &form)
    {
        form.ShowMessage = [this](QMessageBox::Icon icon, const QString &title, const QString &text) {
            QVERIFY(QGuiApplication::overrideCursor() == nullptr);
            QCOMPARE(icon, title == QLatin1String("Success") ? QMessageBox::Information : QMessageBox::Critical);
            messages << title + QLatin1Char('|') + text;
        };
        form.Beep = [this] { ++beeps; };
    }
};

// A feedback window on screen whose boxes and beeps go to its reporter.
struct ShownForm {
    FeedbackWindow form;
    Reporter reporter;
    ShownForm()
    {
        reporter.attach(form);
        form.show();
    }
};

const QString Delivered = QStringLiteral("Success|Your feedback is received.\r\rThank you!");
const QString NotDelivered =
    QStringLiteral("Failure|Something went wrong. Your feedback could not be delivered.\r\rPlease try again later.");
} // namespace

class TestFeedback : public QObject {
    Q_OBJECT

    QTemporaryDir certDir;
    TestCertificate cert;
    std::optional<LoopbackHttpServer> plain;
    std::optional<LoopbackHttpServer> secure;

    void useServers(bool httpsUp, bool httpUp)
    {
        qputenv("MIRELON_SERVICE_HOST",
                httpUp ? plain->hostAndPort().toUtf8() : "127.0.0.1:" + QByteArray::number(RefusedLoopbackPort()));
        qputenv("MIRELON_SERVICE_HTTPS_PORT", QByteArray::number(httpsUp ? secure->port() : RefusedLoopbackPort()));
    }

private slots:
    void initTestCase()
    {
        AppProductName = QStringLiteral("Mirelon");
        AppTitle = QStringLiteral("KORVANE - Mirelon");
        AppVersion = QStringLiteral("1.1");
        QVERIFY(certDir.isValid());
        QVERIFY2(cert.Generate(certDir.path()), qPrintable(cert.error));
        TrustCertificateInThisProcess(cert.certificate);
        plain.emplace();
        secure.emplace(cert.certificate, cert.key);
    }

    void init()
    {
        plain->clearRequests();
        secure->clearRequests();
        plain->setReply(CannedReply::text("OK"));
        secure->setReply(CannedReply::text("OK"));
        useServers(false, true);
    }

    void email_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << "john.doe@example.com" << true;
        QTest::newRow("all local characters") << "a.b+c_d-e@x.org" << true;
        QTest::newRow("hyphen starts the domain") << "user@-host.com" << true;
        QTest::newRow("several points") << "user@mail.server.example.com" << true;
        QTest::newRow("two points in a row after the first") << "user@host..com" << true;
        QTest::newRow("no point after @") << "user@hostcom" << false;
        QTest::newRow("ends in a hyphen") << "user@host.com-" << false;
        QTest::newRow("ends in a point") << "user@host.com." << false;
        QTest::newRow("underscore after @") << "user@ho_st.com" << false;
        QTest::newRow("letter outside ASCII before @") << QString::fromUtf8("j\u00fcrgen@example.com") << false;
        QTest::newRow("letter outside ASCII after @") << QString::fromUtf8("user@ex\u00e4mple.com") << false;
        QTest::newRow("nothing before @") << "@host.com" << false;
        QTest::newRow("two @") << "a@b@c.com" << false;
        QTest::newRow("trailing line break") << "user@host.com\n" << false;
        QTest::newRow("empty") << "" << false;
    }
    void email()
    {
        QFETCH(QString, address);
        QFETCH(bool, valid);
        QCOMPARE(IsValidEmail(address), valid);
    }

    void openingState()
    {
        FeedbackWindow form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Mirelon feedback"));
        QCOMPARE(form.size(), QSize(525, 326));
        QCOMPARE(form.likePanel->caption(), QStringLiteral("I like it!"));
        QCOMPARE(form.dislikePanel->caption(), QStringLiteral("I dislike it!"));
        QCOMPARE(form.headingLabel->text(), QStringLiteral("We would really appreciate your feedback."));
        QCOMPARE(form.questionLabel->text(), QStringLiteral("What did you like or dislike?"));
        QCOMPARE(form.emailLabel->text(), QStringLiteral("Include my e-mail:"));
        QCOMPARE(form.sendButton->text(), QStringLiteral("Send"));
        QCOMPARE(form.emailLabel->buddy(), form.emailEdit);
        QCOMPARE(form.Choice(), FeedbackChoice::None);
        QCOMPARE(form.likePanel->focusPolicy(), Qt::NoFocus);
        QVERIFY(!form.sendButton->autoDefault() && !form.sendButton->isDefault());
        QCOMPARE(form.emailEdit->maxLength(), 100);

        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.focusWidget(), form.messageEdit);
        QTest::keyClick(form.messageEdit, Qt::Key_Tab);
        QCOMPARE(form.focusWidget(), form.emailEdit);
        QTest::keyClick(form.emailEdit, Qt::Key_Tab);
        QCOMPARE(form.focusWidget(), static_cast<QWidget *>(form.sendButton));

        form.messageEdit->insertPlainText(QString(9990, QLatin1Char('a')));
        form.messageEdit->insertPlainText(QString(15, QLatin1Char('b')));
        QCOMPARE(form.messageEdit->toPlainText(), QString(9990, QLatin1Char('a')) + QString(10, QLatin1Char('b')));
    }

    void choices_data()
    {
        QTest::addColumn<QString>("clicks"); // L/D: left click on like/dislike, l: on the like face, r: right click on like
        QTest::addColumn<int>("choice");
        QTest::newRow("like") << "L" << int(FeedbackChoice::Like);
        QTest::newRow("on the face") << "l" << int(FeedbackChoice::Like);
        QTest::newRow("like twice clears") << "LL" << int(FeedbackChoice::None);
        QTest::newRow("like then dislike moves") << "LD" << int(FeedbackChoice::Dislike);
        QTest::newRow("dislike then like moves") << "DL" << int(FeedbackChoice::Like);
        QTest::newRow("right click changes nothing") << "Dr" << int(FeedbackChoice::Dislike);
        QTest::newRow("right click alone") << "r" << int(FeedbackChoice::None);
    }
    void choices()
    {
        QFETCH(QString, clicks);
        QFETCH(int, choice);
        FeedbackWindow form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (QChar click : clicks) {
            switch (click.toLatin1()) {
            case 'L': QTest::mouseClick(form.likePanel, Qt::LeftButton); break;
            case 'l': QTest::mouseClick(form.likeImage, Qt::LeftButton); break;
            case 'r': QTest::mouseClick(form.likePanel, Qt::RightButton); break;
            case 'D': QTest::mouseClick(form.dislikePanel, Qt::LeftButton); break;
            }
        }
        QCOMPARE(int(form.Choice()), choice);
        const QPalette system = QApplication::palette();
        for (FeedbackChoicePanel *panel : {form.likePanel, form.dislikePanel}) {
            const bool on = panel->isSelected();
            QCOMPARE(panel->palette().color(QPalette::Window), system.color(on ? QPalette::Highlight : QPalette::Button));
            QCOMPARE(panel->palette().color(QPalette::WindowText),
                     system.color(on ? QPalette::HighlightedText : QPalette::WindowText));
            QCOMPARE(panel->frameShadow(), on ? QFrame::Sunken : QFrame::Raised);
        }
    }

    void escapeCloses_data()
    {
        QTest::addColumn<QString>("control");
        QTest::newRow("message") << "messageEdit";
        QTest::newRow("e-mail") << "emailEdit";
        QTest::newRow("send") << "sendButton";
    }
    void escapeCloses()
    {
        QFETCH(QString, control);
        FeedbackWindow form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.emailEdit->setText(QStringLiteral("a@b.com"));
        QWidget *target = control == QLatin1String("messageEdit") ? static_cast<QWidget *>(form.messageEdit)
                          : control == QLatin1String("emailEdit") ? static_cast<QWidget *>(form.emailEdit)
                                                              : static_cast<QWidget *>(form.sendButton);
        QTest::keyClick(target, Qt::Key_Escape);
        QVERIFY(!form.isVisible());
        QCOMPARE(form.emailEdit->text(), QStringLiteral("a@b.com"));
    }

    // Enter or Space on the focused "Send" sends, although the window has no default button.
    void sendFromTheKeyboard_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
        QTest::newRow("Space") << int(Qt::Key_Space);
    }
    void sendFromTheKeyboard()
    {
        QFETCH(int, key);
        ShownForm shown;
        auto &[form, reporter] = shown;
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.messageEdit->setPlainText(QStringLiteral("Hello"));
        QTest::keyClick(form.emailEdit, Qt::Key_Return); // Enter in the e-mail box sends nothing
        QCOMPARE(plain->requestCount(), 0);
        form.sendButton->setFocus();
        QTest::keyClick(form.sendButton, Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        QCOMPARE(plain->requestCount(), 1);
        QCOMPARE(reporter.messages, QStringList{Delivered});
    }

    // Nothing is sent without a message or with a malformed address.
    void refusedInput_data()
    {
        QTest::addColumn<QString>("memo");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("beeps");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("blank message with a choice") << " \n\t \n " << "" << 1 << QStringList{};
        QTest::newRow("invalid address") << "Hello" << "  user@host  " << 0
                                         << QStringList{"Failure|Invalid e-mail address!"};
    }
    void refusedInput()
    {
        QFETCH(QString, memo);
        QFETCH(QString, address);
        QFETCH(int, beeps);
        QFETCH(QStringList, messages);
        ShownForm shown;
        auto &[form, reporter] = shown;
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.chooseLike(Qt::LeftButton);
        form.messageEdit->setPlainText(memo);
        form.emailEdit->setText(address);
        form.sendButton->setFocus();
        QTest::mouseClick(form.sendButton, Qt::LeftButton);
        QCOMPARE(reporter.beeps, beeps);
        QCOMPARE(reporter.messages, messages);
        QCOMPARE(form.focusWidget(), beeps ? static_cast<QWidget *>(form.messageEdit) : static_cast<QWidget *>(form.emailEdit));
        QCOMPARE(plain->requestCount() + secure->requestCount(), 0);
        QVERIFY(form.isVisible());
    }

    // What reaches the service, field by field, for a delivered message.
    void fieldsSent_data()
    {
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("memo");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("like, no address")
            << int(FeedbackChoice::Like) << "Great tool" << ""
            << QStringList{"cmd=feedback", "appname=KORVANE - Mirelon", "version=1.1", "feedback=I like it!\rGreat tool"};
        QTest::newRow("dislike, trimmed, lines, address")
            << int(FeedbackChoice::Dislike) << "\n  Crashes\nat start \n" << "  a.b@example.com  "
            << QStringList{"cmd=feedback", "appname=KORVANE - Mirelon", "version=1.1",
                           "feedback=I dislike it!\rCrashes\r\nat start", "email=a.b@example.com"};
        QTest::newRow("no choice, no-break space kept")
            << int(FeedbackChoice::None) << QString::fromUtf8("\t Gr\u00fc\u00dfe \u00a0") << ""
            << QStringList{"cmd=feedback", "appname=KORVANE - Mirelon", "version=1.1",
                           QString::fromUtf8("feedback=Gr\u00fc\u00dfe \u00a0")};
    }
    void fieldsSent()
    {
        QFETCH(int, choice);
        QFETCH(QString, memo);
        QFETCH(QString, address);
        QFETCH(QStringList, fields);
        ShownForm shown;
        auto &[form, reporter] = shown;
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        if (choice == int(FeedbackChoice::Like))
            form.chooseLike(Qt::LeftButton);
        else if (choice == int(FeedbackChoice::Dislike))
            form.chooseDislike(Qt::LeftButton);
        form.messageEdit->setPlainText(memo);
        form.emailEdit->setText(address);
        form.sendFeedback();

        QCOMPARE(plain->requestCount(), 1);
        const RecordedRequest request = plain->requests().constFirst();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.target, QByteArray("/php/feedback.php"));
        QCOMPARE(decodeForm(request.body), fields);
        QCOMPARE(reporter.messages, QStringList{Delivered});
        QVERIFY(!form.isVisible()); // closed after "Success"
    }

    // Both attempts against real servers: which replies count as delivered, and what is retried.
    void delivery_data()
    {
        QTest::addColumn<bool>("httpsUp");
        QTest::addColumn<CannedReply>("httpsReply");
        QTest::addColumn<bool>("httpUp");
        QTest::addColumn<CannedReply>("httpReply");
        QTest::addColumn<bool>("delivered");
        QTest::addColumn<int>("httpsRequests");
        QTest::addColumn<int>("httpRequests");
        const CannedReply ok = CannedReply::text("OK");
        QTest::newRow("delivered over HTTPS") << true << ok << true << ok << true << 1 << 0;
        QTest::newRow("HTTPS reply not OK is not retried")
            << true << CannedReply::text("ERROR") << true << ok << false << 1 << 0;
        QTest::newRow("HTTPS unreachable, HTTP OK with a line break")
            << false << ok << true << CannedReply::text("OK\r\n") << true << 0 << 1;
        QTest::newRow("lower case ok") << false << ok << true << CannedReply::text("ok") << false << 0 << 1;
        QTest::newRow("OK with a full stop") << false << ok << true << CannedReply::text("OK.") << false << 0 << 1;
        QTest::newRow("empty reply") << false << ok << true << CannedReply::text("") << false << 0 << 1;
        QTest::newRow("HTTP error status") << false << ok << true << CannedReply::withStatus(500, "Error", "OK")
                                           << false << 0 << 1;
        QTest::newRow("both unreachable") << false << ok << false << ok << false << 0 << 0;
        QTest::newRow("HTTPS times out, HTTP delivers") << true << CannedReply::never() << true << ok << true << 1 << 1;
    }
    void delivery()
    {
        QFETCH(bool, httpsUp);
        QFETCH(CannedReply, httpsReply);
        QFETCH(bool, httpUp);
        QFETCH(CannedReply, httpReply);
        QFETCH(bool, delivered);
        QFETCH(int, httpsRequests);
        QFETCH(int, httpRequests);
        useServers(httpsUp, httpUp);
        secure->setReply(httpsReply);
        plain->setReply(httpReply);

        ShownForm shown;
        auto &[form, reporter] = shown;
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.chooseDislike(Qt::LeftButton);
        form.messageEdit->setPlainText(QStringLiteral("Too slow"));
        form.emailEdit->setText(QStringLiteral("me@example.com"));

        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(form.sendButton, Qt::LeftButton);
        const qint64 elapsed = clock.elapsed();

        QCOMPARE(secure->requestCount(), httpsRequests);
        QCOMPARE(plain->requestCount(), httpRequests);
        QCOMPARE(reporter.messages, QStringList{delivered ? Delivered : NotDelivered});
        QCOMPARE(form.isVisible(), !delivered);
        if (!delivered) { // the window keeps everything the user entered
            QCOMPARE(form.messageEdit->toPlainText(), QStringLiteral("Too slow"));
            QCOMPARE(form.emailEdit->text(), QStringLiteral("me@example.com"));
            QCOMPARE(form.Choice(), FeedbackChoice::Dislike);
        }
        if (httpsReply.mode == CannedReply::Mode::Never) // the HTTPS attempt gave up after its 3000 ms (timers may fire a little early)
            QVERIFY2(elapsed >= 2500 && elapsed < 9000, qPrintable(QString::number(elapsed)));
    }

    // After "Failure", "Send" can be pressed again with the same input.
    void sendAgainAfterFailure()
    {
        plain->setReply(CannedReply::text("busy"));
        ShownForm shown;
        auto &[form, reporter] = shown;
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.messageEdit->setPlainText(QStringLiteral("Hello"));
        form.sendFeedback();
        plain->setReply(CannedReply::text("OK"));
        form.sendFeedback();
        QCOMPARE(reporter.messages, (QStringList{NotDelivered, Delivered}));
        QCOMPARE(plain->requestCount(), 2);
        QCOMPARE(decodeForm(plain->requests().at(0).body), decodeForm(plain->requests().at(1).body));
    }
};

QTEST_MAIN(TestFeedback)
#include "tst_feedback.moc"
