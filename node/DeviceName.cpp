#include "DeviceName.h"

QString deviceName(const QString &hostText)
{
    return hostText.left(hostText.lastIndexOf(QLatin1Char('['))).trimmed();
}
