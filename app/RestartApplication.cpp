#include "app/RestartApplication.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

void DeleteSettingsAndRestart(const QString &settingsFile, const QString &executable)
{
    QFile::remove(settingsFile);
    QCoreApplication::processEvents();
    QProcess::startDetached(executable, {});
}
