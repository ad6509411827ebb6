// Update-check handlers of the main window.
#include "app/TAppForm.h"

void TAppForm::TimerCheckerTimer()
{
}

void TAppForm::UpdateNotifications1Click()
{
}
