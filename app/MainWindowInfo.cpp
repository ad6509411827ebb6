// The About and feedback windows, opened from the main window.
#include "app/MainWindow.h"

#include "infowindows/AboutBox.h"
#include "infowindows/FeedbackWindow.h"

// Each opening creates a new window, shows it modally and destroys it when it closes.

void MainWindow::showAbout()
{
    AboutBox aboutBox(this);
    aboutBox.exec();
}

void MainWindow::showFeedback()
{
    FeedbackWindow feedbackForm(this);
    feedbackForm.exec();
}
