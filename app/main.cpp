#include "platform/GroupWatcher.h"
#include "app/MainWindow.h"
#include "app/MirelonApplication.h"
#include "platform/NamedLock.h"

int main(int argc, char *argv[])
{
    // Held, never examined.
    const NamedLock instanceLock(QStringLiteral(MIRELON_BUILD_COMPANY_NAME "_" MIRELON_BUILD_PRODUCT_NAME));
    MirelonApplication app(argc, argv);
    StartGroupWatcher(); // the runs' processes end with the window, however it ends
    MirelonApplication::SetUpIdentity();

    MainWindow mainWindow;
    mainWindow.show();
    return MirelonApplication::exec();
}
