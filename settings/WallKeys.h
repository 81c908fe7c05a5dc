#pragma once

#include <QString>

class QTime;
class QVariant;

// The keys of "General" for a panel on a public wall, read from text as the user writes them.

// Digits a PIN may have.
constexpr int SetupPinMinDigits = 4;
constexpr int SetupPinMaxDigits = 12;

// "SetupPin": 4 to 12 ASCII digits, blanks around them ignored; anything else gives an empty
// string, which leaves the panel unlocked.
QString setupPinFromText(const QString &text);

// "SleepBetween=HH:MM-HH:MM": a daily window of local time, which may pass midnight. The end is
// not part of it; 24:00 ends it at midnight.
struct SleepWindow
{
    int from = -1; // minutes after midnight; -1: no window
    int to = -1;

    bool isValid() const { return from >= 0; }
    bool contains(const QTime &time) const;
};

// Hours 0 to 23 (24:00 as the end only), minutes 0 to 59, blanks around the parts allowed; a
// window that starts where it ends, or text of any other form, gives no window.
SleepWindow sleepWindowFromText(const QString &text);

// "SleepCommand", "WakeCommand": QSettings splits an unquoted value at its commas (dropping the
// blanks around them), so the parts are joined again by commas; a value in double quotes stays
// whole.
QString commandFromVariant(const QVariant &value);
