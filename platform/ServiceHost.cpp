#include "platform/ServiceHost.h"

QString ServiceHost()
{
    const QString fromEnvironment = qEnvironmentVariable("MIRELON_SERVICE_HOST").trimmed();
    return fromEnvironment.isEmpty() ? QStringLiteral(MIRELON_SERVICE_HOST_DEFAULT) : fromEnvironment;
}
