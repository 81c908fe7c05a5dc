#pragma once

#include "CPinKeypad.h"

#include <QElapsedTimer>
#include <QObject>

class QWidget;

// Guards setup and quitting with the PIN of the settings (General/SetupPin). Each way in asks
// unlock(), which shows the keypad when a PIN is set. After MaxTries wrong PINs in a row it asks
// nothing for LockOut ms; cancelling or letting the keypad time out is no try.
class CPanelLock : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxTries = 5;
    static constexpr int LockOut = 60000; // ms

    explicit CPanelLock(QWidget *panel);
    ~CPanelLock() override;

    bool isSet() const;

    // True when the way on is open: no PIN is set, or the right one was typed just now.
    bool unlock();

    // Whether two PINs are equal, in a time that does not tell where they differ.
    static bool samePin(const QString &typed, const QString &pin);

    // Times, which tests shorten.
    int m_lockOut = LockOut;
    int m_keypadTimeout = CPinKeypad::IdleTimeout;

private:
    QWidget *m_panel;
    int m_wrongTries = 0;
    QElapsedTimer m_lockedSince; // valid while locked out
};
