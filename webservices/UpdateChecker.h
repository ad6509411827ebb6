#pragma once
#include <QString>
#include <QThread>

#include <functional>

// The once-per-run update check on a thread of its own. Frees itself when the thread ends. It
// only reads the identity texts and writes UpdateState, the failure record and the per-user
// values; it never touches a window.
class UpdateChecker : public QThread {
    Q_OBJECT

public:
    explicit UpdateChecker(QObject *parent = nullptr);

    // One complete check; ends by setting UpdateState.CheckDone.
    void CheckNow();

    // Set before start(), never changed afterwards.
    std::function<QString()> TodayText;   // today in the user's short date format
    int TimeoutMs = 10000;                // per attempt, for connecting and for the reply

protected:
    void run() override; // Execute
};

// The date as the day key of the daily limits: the system locale's short date format, so a
// change of that format starts a new day.
QString ShortDateText(const class QDate &date);
