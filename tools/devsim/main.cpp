// brimo-devsim: a simulated Brimo climate-sensor device; --help tells how to use it.
#include "SimDevice.h"
#include "SimDiscovery.h"
#include "SimHttpServer.h"
#include "SimOptions.h"
#include "SimProtocol.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("brimo-devsim"));

    const SimOptionsResult parsed = parseSimOptions(QCoreApplication::arguments());
    if (parsed.outcome == SimOptionsResult::Help) {
        std::fputs(qPrintable(parsed.text), stdout);
        return 0;
    }
    if (parsed.outcome == SimOptionsResult::Error) {
        std::fprintf(stderr, "brimo-devsim: %s\n", qPrintable(parsed.text));
        return 2;
    }
    const SimOptions &options = parsed.options;

    SimDevice device(options);
    SimHttpServer server(&device, options.fault);
    if (!server.listen(options.address, options.httpPort)) {
        std::fprintf(stderr, "brimo-devsim: cannot listen on %s:%u: %s\n",
                     qPrintable(options.address.toString()), unsigned(options.httpPort),
                     qPrintable(server.errorString()));
        return 1;
    }
    SimDiscovery discovery(SimProtocol::announcement(options.mac, options.address, options.name));
    if (options.discovery && !discovery.bind(options.address, options.scanPort)) {
        std::fprintf(stderr, "brimo-devsim: cannot bind the scan port %s:%u: %s\n",
                     qPrintable(options.address.toString()), unsigned(options.scanPort),
                     qPrintable(discovery.errorString()));
        return 1;
    }

    std::printf("listening %s:%u scan %u\n", qPrintable(options.address.toString()),
                unsigned(server.port()), unsigned(options.discovery ? discovery.port() : 0));
    std::fflush(stdout);
    return app.exec();
}
