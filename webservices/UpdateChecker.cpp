#include "webservices/UpdateChecker.h"

#include "platform/AppIdentity.h"
#include "platform/Errors.h"
#include "platform/ServiceHost.h"
#include "webservices/FailureRecord.h"
#include "webservices/PostForm.h"
#include "webservices/ReplyTags.h"
#include "webservices/RequestDescriptions.h"
#include "webservices/UpdateState.h"
#include "webservices/UpdateStore.h"
#include "webservices/VersionDecision.h"

#include <QCoreApplication>
#include <QDate>
#include <QLocale>

#include <cxxabi.h>
#include <cstdlib>
#include <memory>
#include <typeinfo>

namespace {
QString typeNameOf(const std::exception &error)
{
    const char *mangled = typeid(error).name();
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                                &std::free);
    return QString::fromLatin1(status == 0 && demangled ? demangled.get() : mangled);
}

} // namespace

QString ShortDateText(const QDate &date)
{
    return QLocale::system().toString(date, QLocale::ShortFormat);
}

UpdateChecker::UpdateChecker(QObject *parent)
    : QThread(parent), TodayText([] { return ShortDateText(QDate::currentDate()); })
{
    connect(this, &QThread::finished, this, &QObject::deleteLater);
    // A check still waiting for the service must not outlive the application's objects.
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, [this] {
            requestInterruption();
            wait(3000);
        });
}

void UpdateChecker::run()
{
    UpdateState.CheckDone.store(false, std::memory_order_relaxed);
    try {
        CheckNow();
    } catch (...) {
        // CheckNow catches its own errors; whatever slips through must still end the check.
        UpdateState.CheckDone.store(true, std::memory_order_release);
    }
}

void UpdateChecker::CheckNow()
{
    ClearFailures();

    if (!UpdateStore::IsUsable())
        ReportFailure(QStringLiteral("Error: Registry open problem!"));
    const QString lastDay = UpdateStore::ReadText(UpdateStore::LastUpdateCheck);
    int dayCount = UpdateStore::ReadInteger(UpdateStore::LastUpdateCheckCount, 0);
    UpdateState.DownloadUrl = UpdateStore::ReadText(UpdateStore::CurrentURL);
    UpdateState.NotificationsOn = UpdateStore::ReadInteger(UpdateStore::ShowUpdate, 1);

    const auto finish = [] { UpdateState.CheckDone.store(true, std::memory_order_release); };
    if (UpdateState.NotificationsOn == 0)
        return finish();

    const QString today = TodayText();
    if (lastDay == today && dayCount >= 5)
        return finish();
    dayCount = lastDay == today ? dayCount + 1 : 1;
    // From here on the request counts towards the day, whatever its outcome.
    UpdateStore::WriteText(UpdateStore::LastUpdateCheck, today);
    UpdateStore::WriteInteger(UpdateStore::LastUpdateCheckCount, dayCount);

    try {
        QStringList fields{QStringLiteral("cmd=check"), QStringLiteral("appname=") + AppTitle,
                           QStringLiteral("version=") + AppVersion, QStringLiteral("os=") + OsDescription()};
        try {
            fields.append(QStringLiteral("local=") + RequestLocaleName());
        } catch (...) {
            ReportFailure(QStringLiteral("Error: LocaleName2 problem!"));
        }

        const PostAttempts attempts =
            PostWithFallbackAttempts(ServiceHost() + QStringLiteral("/php/check2.php"), fields, TimeoutMs);
        if (attempts.httpsFailed)
            ReportFailure(QStringLiteral("HTTPS Response:\r") + attempts.httpsError);
        if (attempts.httpTried()) {
            if (attempts.httpFailed)
                ReportFailure(QStringLiteral("HTTP Response:\r") + attempts.httpError);
            else
                ClearFailures();
        }
        const QStringList lines = SplitReplyLines(attempts.reply);

        // The lines joined with CR LF start with "ERROR" exactly when the reply does.
        if (attempts.reply.startsWith(QLatin1String("ERROR")))
            ReportFailure(QStringLiteral("INVALIDSERVERRESPONSE"));
        if (FailureFlag)
            return finish();

        if (!lines.isEmpty()) {
            UpdateState.LatestVersion = ExtractTag(lines.at(0), QStringLiteral("version"));
            UpdateStore::WriteText(UpdateStore::CurrentVersion, UpdateState.LatestVersion);
        }
        if (lines.size() >= 2) {
            UpdateState.DownloadUrl = ExtractTag(lines.at(1), QStringLiteral("url"));
            UpdateStore::WriteText(UpdateStore::CurrentURL, UpdateState.DownloadUrl);
        }
        // For diagnosis only: past this point the record no longer steers the check.
        if (UpdateState.LatestVersion.isEmpty())
            ReportFailure(QStringLiteral("INVALIDSERVERRESPONSE: no version line in a reply of %1 characters")
                              .arg(attempts.reply.size()));

        if (ShouldShowNewVersion(UpdateState.LatestVersion, AppVersion, UpdateState.NotificationsOn, lastDay, today,
                                 dayCount))
            UpdateState.ShowNewVersion = true;
    } catch (const std::exception &error) {
        ReportFailure(typeNameOf(error) + QStringLiteral(" Error:\r") + ErrorMessage(error));
    } catch (...) {
        ReportFailure(QStringLiteral("Unknown Error:\r(no message)"));
    }
    finish();
}
