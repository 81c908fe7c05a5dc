// brimo-testcommand touch PATH | sleep SECONDS: the commands the sleep controller's tests give it,
// alike on every platform (Windows has neither touch nor sleep). Plain C++, so that it needs no Qt.
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

int main(int argc, char **argv)
{
    const std::string verb = argc == 3 ? argv[1] : "";
    if (verb == "touch")
        return std::ofstream(argv[2]) ? 0 : 1;
    if (verb == "sleep") {
        std::this_thread::sleep_for(std::chrono::seconds(std::atoi(argv[2])));
        return 0;
    }
    return 2;
}
