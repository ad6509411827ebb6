// Update-check handlers of the main window.
#include "app/MainWindow.h"

#include "webservices/UpdateChecker.h"
#include "webservices/NewVersionWindow.h"
#include "webservices/UpdateState.h"
#include "webservices/UpdateStore.h"

#include <QAction>
#include <QTimer>

void MainWindow::checkForUpdate()
{
    if (!updateCheckStarted_) {
        updateCheckStarted_ = true;
        auto *checker = new UpdateChecker(); // frees itself when its thread ends
        checker->start();
        return;
    }
    if (!UpdateState.CheckDone.load(std::memory_order_acquire))
        return;

    updateCheckTimer_->stop();
    updateNotificationsAction_->setEnabled(true);
    if (UpdateState.NotificationsOn == 0)
        updateNotificationsAction_->setChecked(false);
    if (UpdateState.ShowNewVersion)
        new NewVersionWindow(this); // shows itself; lives as long as the main window
}

void MainWindow::storeUpdateNotifications()
{
    // The item is checkable, so Qt has already flipped its tick: the new tick is the choice.
    UpdateStore::WriteInteger(UpdateStore::ShowUpdate, updateNotificationsAction_->isChecked() ? 1 : 0);
}
