#include "SystemdNotify.h"

#ifdef BRIMO_HAVE_SYSTEMD
#include <systemd/sd-daemon.h>
#endif

namespace SystemdNotify {

#ifdef BRIMO_HAVE_SYSTEMD

bool notify(const char *state)
{
    return sd_notify(0, state) > 0;
}

long long watchdogInterval()
{
    uint64_t usec = 0;
    return sd_watchdog_enabled(0, &usec) > 0 ? static_cast<long long>(usec) : 0;
}

#else

bool notify(const char *)
{
    return false;
}

long long watchdogInterval()
{
    return 0;
}

#endif

} // namespace SystemdNotify
