#pragma once

#include <QByteArray>

// The INI text without the values QSettings would decode into a type whose decoding trusts counts
// or sizes in the data (typed values, "@Variant(...)" and "@DateTime(...)"; which types pass is
// said in IniGuard.cpp): each such key goes with its whole line, continuation lines included.
// Quotes are honoured, so a text the panel saved never goes. *dropped: how many went.
QByteArray withoutUnsafeValues(const QByteArray &iniText, int *dropped);
