#include "CWatchdog.h"

#include "SystemdNotify.h"

CWatchdog::CWatchdog(QObject *parent) : QObject(parent)
{
    const long long usec = SystemdNotify::watchdogInterval();
    m_timer.setInterval(usec > 0 ? int(qBound(1LL, usec / 2000, 24LL * 3600 * 1000)) : 0);
    connect(&m_timer, SIGNAL(timeout()), this, SLOT(ping()));
}

CWatchdog::~CWatchdog() = default;

void CWatchdog::start()
{
    SystemdNotify::notify("READY=1");
    if (m_timer.interval() > 0)
        m_timer.start();
}

void CWatchdog::ping()
{
    SystemdNotify::notify("WATCHDOG=1");
}
