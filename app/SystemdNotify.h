#pragma once

// The service manager's notification protocol, where the platform has it (systemd's sd_notify, when
// built with BRIMO_SYSTEMD); elsewhere every call does nothing. Without NOTIFY_SOCKET in the
// environment nothing is sent.
namespace SystemdNotify {

// Sends a state such as "READY=1"; true when it was sent.
bool notify(const char *state);

// The watchdog interval the service manager expects pings within, in microseconds; 0 when it
// expects none, or expects them from a process other than this one or its parent.
long long watchdogInterval();

} // namespace SystemdNotify
