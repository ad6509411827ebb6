#include "app/MirelonApplication.h"

#include "platform/Errors.h"

#include <QMessageBox>

MirelonApplication::MirelonApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool MirelonApplication::notify(QObject *receiver, QEvent *event)
{
    bool handled = false;
    RunReportingErrors([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

void MirelonApplication::RunReportingErrors(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const MirelonError &error) {
        ShowUnhandledError(error.message());
    } catch (const std::exception &error) {
        ShowUnhandledError(QString::fromLocal8Bit(error.what()));
    }
}

void MirelonApplication::ShowUnhandledError(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, applicationDisplayName(), text, QMessageBox::Ok);
    box.exec();
}
