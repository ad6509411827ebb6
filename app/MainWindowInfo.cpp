// The About and feedback windows, opened from the main window.
#include "app/MainWindow.h"

#include "infowindows/AboutBox.h"
#include "infowindows/FeedbackForm.h"

// Each opening creates a new window, shows it modally and destroys it when it closes.

void MainWindow::showAbout()
{
    TAboutBox aboutBox(this);
    aboutBox.exec();
}

void MainWindow::showFeedback()
{
    TFeedbackForm feedbackForm(this);
    feedbackForm.exec();
}
