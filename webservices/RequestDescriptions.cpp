#include "webservices/RequestDescriptions.h"

#include <QSysInfo>

QString LocaleNameForRequest(const QLocale &locale)
{
    if (locale.language() == QLocale::C)
        return QStringLiteral("xx");
    QString name = locale.name();
    if (name.isEmpty() || name == QLatin1String("C") || name == QLatin1String("POSIX"))
        return QStringLiteral("xx");
    return name.replace(QLatin1Char('_'), QLatin1Char('-'));
}

QString RequestLocaleName()
{
    static const QString atStart = LocaleNameForRequest(QLocale::system());
    return atStart;
}

QString OsDescription()
{
    const QString edition = QSysInfo::currentCpuArchitecture().contains(QLatin1String("64"))
                                ? QStringLiteral("64-bit Edition")
                                : QStringLiteral("32-bit Edition");
    return QStringLiteral("%1 (Version %2, Build %3, %4)")
        .arg(QSysInfo::prettyProductName(), QSysInfo::productVersion(), QSysInfo::kernelVersion(), edition);
}
