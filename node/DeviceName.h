#pragma once

#include <QString>

// The device's name in a slot's host text ("name [address]"): everything before the bracket that
// opens the address, trimmed. The address never holds a "[", so a name may.
QString deviceName(const QString &hostText);
