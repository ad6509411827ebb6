#pragma once
#include <QString>
#include <QStringList>

#include <memory>

// A folder of one run's own (mode 0700, a fresh name under `parent`), for its scripts and
// unfinished outputs. While the run's process lives it holds a lock on the file ".owner" in it;
// a folder whose lock is free belongs to nobody any more (its process was killed) and is removed
// by the next start (RemoveAbandonedRunFolders).
class PrivateRunFolder {
public:
    // Creates parent/<prefix>XXXXXX; throws MirelonError naming the cause.
    PrivateRunFolder(const QString &parent, const QString &prefix);
    PrivateRunFolder(const PrivateRunFolder &) = delete;
    PrivateRunFolder &operator=(const PrivateRunFolder &) = delete;
    // Removes the folder with all it holds.
    ~PrivateRunFolder();

    QString path() const { return path_; }
    QString filePath(const QString &name) const { return path_ + QLatin1Char('/') + name; }

private:
    QString path_;
    int lock_ = -1;
};

// Removes the folders parent/<prefix>* of this user whose ".owner" lock is free; returns them.
// Folders without that file (one being made this moment) are left alone.
QStringList RemoveAbandonedRunFolders(const QString &parent, const QString &prefix);

// A new run folder parent/<prefix>XXXXXX, after removing that prefix's folders whose process was
// killed: whatever a killed run left lasts only until the next one starts.
std::unique_ptr<PrivateRunFolder> FreshRunFolder(const QString &parent, const QString &prefix);
