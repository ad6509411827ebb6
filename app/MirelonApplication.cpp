#include "app/MirelonApplication.h"

#include <QMessageBox>

MirelonApplication::MirelonApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool MirelonApplication::notify(QObject *receiver, QEvent *event)
{
    bool handled = false;
    RunReportingErrors([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

void MirelonApplication::ShowUnhandledError(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, applicationDisplayName(), text, QMessageBox::Ok);
    box.exec();
}
