// The About and feedback windows, opened from the main window.
#include "app/TAppForm.h"

#include "infowindows/AboutBox.h"
#include "infowindows/FeedbackForm.h"

// Each opening creates a new window, shows it modally and destroys it when it closes.

void TAppForm::About1Click()
{
    TAboutBox AboutBox(this);
    AboutBox.exec();
}

void TAppForm::ToolButton5Click()
{
    About1Click();
}

void TAppForm::SendFeedback1Click()
{
    TFeedbackForm FeedbackForm(this);
    FeedbackForm.exec();
}

void TAppForm::ToolButton4Click()
{
    SendFeedback1Click();
}
