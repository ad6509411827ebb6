#pragma once
#include <QString>

#include <atomic>

// Result of this run's update check. The check thread writes the other fields first and sets
// CheckDone last (release); the window thread reads them only after seeing CheckDone (acquire).
struct TUpdateState {
    std::atomic<bool> CheckDone{false};
    bool ShowNewVersion = false;
    QString LatestVersion;
    QString DownloadUrl;
    int NotificationsOn = 0;

    // Back to the values at program start (tests simulate several starts in one process).
    void Reset()
    {
        CheckDone.store(false);
        ShowNewVersion = false;
        LatestVersion.clear();
        DownloadUrl.clear();
        NotificationsOn = 0;
    }
};

inline TUpdateState UpdateState;
