// Update-check handlers of the main window.
#include "app/TAppForm.h"

#include "webservices/TChecker.h"
#include "webservices/TNewVer.h"
#include "webservices/UpdateState.h"
#include "webservices/UpdateStore.h"

#include <QAction>
#include <QTimer>

void TAppForm::TimerCheckerTimer()
{
    if (!TimerCheckerStarted) {
        TimerCheckerStarted = true;
        auto *checker = new TChecker(); // frees itself when its thread ends
        checker->start();
        return;
    }
    if (!UpdateState.CheckDone.load(std::memory_order_acquire))
        return;

    TimerChecker->stop();
    UpdateNotifications1->setEnabled(true);
    if (UpdateState.NotificationsOn == 0)
        UpdateNotifications1->setChecked(false);
    if (UpdateState.ShowNewVersion)
        new TNewVer(this); // shows itself; lives as long as the main window
}

void TAppForm::UpdateNotifications1Click()
{
    // The item is checkable, so Qt has already flipped its tick: the new tick is the choice.
    UpdateStore::WriteInteger(UpdateStore::ShowUpdate, UpdateNotifications1->isChecked() ? 1 : 0);
}
