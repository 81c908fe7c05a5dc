#include "SystemdNotify.h"

#ifdef BRIMO_HAVE_SYSTEMD
#include <cstdlib>
#include <cstring>
#include <string>
#include <systemd/sd-daemon.h>
#include <unistd.h>
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
    if (sd_watchdog_enabled(0, &usec) > 0)
        return static_cast<long long>(usec);
    // The watchdog is meant for the service's main process. In a kiosk that is the compositor
    // which started the panel (cage -- brimopanel), and only the panel can tell that it still
    // turns.
    const char *pid = std::getenv("WATCHDOG_PID");
    const char *interval = std::getenv("WATCHDOG_USEC");
    if (!pid || !interval || std::strcmp(pid, std::to_string(getppid()).c_str()) != 0)
        return 0;
    char *end = nullptr;
    const long long parsed = std::strtoll(interval, &end, 10);
    return end != interval && *end == '\0' && parsed > 0 ? parsed : 0;
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
