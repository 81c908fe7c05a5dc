// brimo-testcommand touch PATH | sleep SECONDS: the commands the sleep controller's tests give it,
// alike on every platform (Windows has neither touch nor sleep). Plain C++, so that it needs no Qt.
// brimo-testcommand interfaces: exits with 3 under a Wine that lists no network interfaces to Qt
// (WineInterfaces.h), else 0: the whole-program test asks it why the Windows panel's scan under
// Wine found nothing.
#include "WineInterfaces.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

int main(int argc, char **argv)
{
    const std::string verb = argc >= 2 ? argv[1] : "";
    if (verb == "interfaces" && argc == 2)
        return TestSupport::wineListsNoInterfaces() ? 3 : 0;
    if (argc != 3)
        return 2;
    if (verb == "touch")
        return std::ofstream(argv[2]) ? 0 : 1;
    if (verb == "sleep") {
        std::this_thread::sleep_for(std::chrono::seconds(std::atoi(argv[2])));
        return 0;
    }
    return 2;
}
