// The About and feedback windows, opened from the main window.
#include "app/TAppForm.h"

void TAppForm::About1Click()
{
}

void TAppForm::ToolButton5Click()
{
    About1Click();
}

void TAppForm::SendFeedback1Click()
{
}

void TAppForm::ToolButton4Click()
{
    SendFeedback1Click();
}
