#pragma once
// Whether the Wine a Windows test runs under can list network interfaces to Qt. Plain C++ and
// Win32, so that brimo-testcommand, which has no Qt, asks the same question as the Qt tests.
#ifdef _WIN32
#include <winsock2.h> // before everything else that includes windows.h

#include <iphlpapi.h>

namespace TestSupport {

// Wine's version ("10.0"), or null on Windows itself.
inline const char *wineVersion()
{
    using Version = const char *(*)();
    const auto version = reinterpret_cast<Version>(reinterpret_cast<void *>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
    return version ? version() : nullptr;
}

// True under a Wine that refuses the call Qt lists interfaces with (IPv4 and IPv6, with their
// prefixes): Wine 10 answers ERROR_INVALID_DATA to it in every network, Wine 8 and Windows answer
// it. Qt then lists no interface at all, and nothing can be broadcast on one. Any other answer,
// and on Windows itself, false: a test that needs the interfaces runs and judges.
inline bool wineListsNoInterfaces()
{
    if (!wineVersion())
        return false;
    ULONG size = 0;
    const ULONG flags =
        GAA_FLAG_INCLUDE_PREFIX | GAA_FLAG_SKIP_DNS_SERVER | GAA_FLAG_SKIP_MULTICAST;
    return GetAdaptersAddresses(AF_UNSPEC, flags, nullptr, nullptr, &size) == ERROR_INVALID_DATA;
}

} // namespace TestSupport
#else
namespace TestSupport {
inline bool wineListsNoInterfaces()
{
    return false;
}
} // namespace TestSupport
#endif
