#include "CPanelLock.h"

#include "CSettings.h"

#include <QWidget>

CPanelLock::CPanelLock(QWidget *panel) : QObject(panel), m_panel(panel)
{}

CPanelLock::~CPanelLock() = default;

bool CPanelLock::samePin(const QString &typed, const QString &pin)
{
    // Every character of both is looked at, whatever differs first.
    const int length = qMax(typed.size(), pin.size());
    ushort difference = ushort(typed.size() != pin.size());
    for (int i = 0; i < length; ++i) {
        const ushort a = i < typed.size() ? typed.at(i).unicode() : 0;
        const ushort b = i < pin.size() ? pin.at(i).unicode() : 0;
        difference |= a ^ b;
    }
    return difference == 0;
}

bool CPanelLock::isSet() const
{
    return !g_settings->m_setupPin.isEmpty();
}

bool CPanelLock::unlock()
{
    if (!isSet())
        return true;
    const QString &pin = g_settings->m_setupPin;
    if (m_lockedSince.isValid()) {
        if (!m_lockedSince.hasExpired(m_lockOut))
            return false;
        m_lockedSince.invalidate();
    }

    CPinKeypad keypad(m_panel, m_keypadTimeout);
    if (keypad.exec() != QDialog::Accepted)
        return false;
    if (samePin(keypad.pin(), pin)) {
        m_wrongTries = 0;
        return true;
    }
    if (++m_wrongTries >= MaxTries) {
        m_wrongTries = 0;
        m_lockedSince.start();
    }
    return false;
}
