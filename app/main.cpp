#include "app/MirelonApplication.h"
#include "app/TAppForm.h"
#include "platform/NamedLock.h"

int main(int argc, char *argv[])
{
    const NamedLock instanceLock(QStringLiteral("KORVANE_Mirelon")); // held, never examined
    MirelonApplication app(argc, argv);
    MirelonApplication::setApplicationDisplayName(QStringLiteral("Mirelon"));
    MirelonApplication::setApplicationName(QStringLiteral("Mirelon"));
    MirelonApplication::setOrganizationName(QStringLiteral("KORVANE"));
    MirelonApplication::setQuitOnLastWindowClosed(true);

    TAppForm AppForm;
    AppForm.show();
    return MirelonApplication::exec();
}
