#include "app/MirelonApplication.h"

#include <QMessageBox>

MirelonApplication::MirelonApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool MirelonApplication::notify(QObject *receiver, QEvent *event)
{
    bool handled = false;
    RunReportingErrors([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

void MirelonApplication::SetUpIdentity()
{
    setApplicationName(QStringLiteral(MIRELON_BUILD_PRODUCT_NAME));
    setOrganizationName(QStringLiteral(MIRELON_BUILD_COMPANY_NAME));
    setQuitOnLastWindowClosed(true);
}

QString MirelonApplication::ApplicationTitle()
{
    return QStringLiteral(MIRELON_BUILD_PRODUCT_NAME);
}

void MirelonApplication::ShowUnhandledError(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(), text, QMessageBox::Ok);
    box.exec();
}
