#include "webservices/UpdateStore.h"

#include <QSettings>

namespace {
struct SettingsGroup {
    QSettings settings{QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("KORVANE"),
                       QStringLiteral("Mirelon")};
    SettingsGroup() { settings.beginGroup(QStringLiteral("Settings")); }
};

bool write(const char *name, const QVariant &value)
{
    SettingsGroup group;
    group.settings.setValue(QLatin1String(name), value);
    group.settings.sync();
    return group.settings.status() == QSettings::NoError;
}
} // namespace

namespace UpdateStore {
bool IsUsable()
{
    SettingsGroup group;
    return group.settings.isWritable() && group.settings.status() == QSettings::NoError;
}

QString ReadText(const char *name)
{
    SettingsGroup group;
    const QVariant value = group.settings.value(QLatin1String(name));
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

int ReadInteger(const char *name, int fallback)
{
    SettingsGroup group;
    const QVariant value = group.settings.value(QLatin1String(name));
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok);
    return ok ? number : fallback;
}

bool WriteText(const char *name, const QString &value)
{
    return write(name, value);
}

bool WriteInteger(const char *name, int value)
{
    return write(name, value);
}
} // namespace UpdateStore
