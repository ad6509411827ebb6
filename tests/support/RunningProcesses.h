#pragma once
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>

// Tests mark the children they expect to be ended by an unusual sleep time, and look for them here.

// The command line of "sleep <seconds>" as /proc shows it (arguments separated by NUL).
inline QByteArray SleepCommandLine(const char *seconds)
{
    return QByteArrayLiteral("sleep\0") + seconds;
}

// Ids of the running processes whose command line holds `marker`.
inline QStringList ProcessesWithCommandLine(const QByteArray &marker)
{
    QStringList found;
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile cmdline(QStringLiteral("/proc/") + pid + QStringLiteral("/cmdline"));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(marker))
            found << pid;
    }
    return found;
}
