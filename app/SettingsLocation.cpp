#include "app/SettingsLocation.h"

#include "platform/AppPaths.h"
#include "platform/Errors.h"
#include "platform/FolderWritable.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

QString ChooseSettingsDir(const QString &executableFolder, const QString &configFolder,
                          const QString &companyName, const QString &productName)
{
    if (IsFolderWritable(executableFolder))
        return WithTrailingSlash(executableFolder);

    const QString folder = configFolder + QLatin1Char('/') + companyName + QLatin1Char('/') + productName;
    QDir().mkpath(folder); // also the config folder itself, which a fresh account may lack
    return folder + QLatin1Char('/');
}

IniStore OpenSettingsStore(const QString &fileName)
{
    try {
        return IniStore::open(fileName);
    } catch (const MirelonError &) {
        QFile::remove(fileName);
        return IniStore::open(fileName);
    }
}

QString DefaultDestination()
{
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return desktop.isEmpty() ? QDir::homePath() : desktop;
}
