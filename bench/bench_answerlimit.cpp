// What one tile costs the panel while its device answers with 8 MiB every second, next to the
// same tile polling a healthy device: the GUI thread's CPU time per second of polling, by the
// thread's own CPU clock. Each run starts a fresh simulator and a fresh tile, lets it poll for a
// warm-up, then measures. Run offscreen, by bench/answerlimit.sh.
//
//   bench_answerlimit [RUNS [SECONDS]]   (default 5 runs of 20 s per device)
//
// Prints one line per figure: "key value unit [min-max]".
#include "CNodeWidget.h"
#include "DevSim.h"
#include "SettingsFixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>

#include <algorithm>

namespace {

const int WarmUpMs = 3000;

int tooLargeLines = 0;

// Runs the event loop for a while; unlike QTest::qWait, which wakes every 10 ms on its own.
void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// GUI-thread CPU ms per second of one tile polling a simulator started with the arguments.
double cpuPerSecond(const QStringList &simulatorArguments, int seconds, int *polls)
{
    QProcess simulator;
    TestSupport::DevSimPorts ports;
    if (!TestSupport::startListening(simulator, simulatorArguments, QString(), &ports))
        qFatal("the simulator did not start");

    CNodeWidget tile(0, 0, nullptr);
    tile.setUrl(QStringLiteral("http://127.0.0.1:%1/tpl/document.cgi?tpl/j/panel.tpl&format=json")
                    .arg(ports.http));
    tile.resize(640, 360);
    tile.show();
    runFor(WarmUpMs);

    tooLargeLines = 0;
    QElapsedTimer wall;
    wall.start();
    const qint64 cpuBefore = TestSupport::threadCpuNs();
    runFor(seconds * 1000);
    const qint64 cpu = TestSupport::threadCpuNs() - cpuBefore;
    *polls = tooLargeLines;

    simulator.kill();
    simulator.waitForFinished();
    return cpu / 1e6 / (wall.nsecsElapsed() / 1e9);
}

void report(const char *key, QVector<double> values, const char *unit)
{
    std::sort(values.begin(), values.end());
    printf("%s %.2f %s %.2f-%.2f\n", key, values[values.size() / 2], unit, values.first(),
           values.last());
    fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, atoi(argv[1])) : 5;
    const int seconds = argc > 2 ? qMax(1, atoi(argv[2])) : 20;
    SettingsFixture settings;
    g_settings->m_enableFlags[0][0] = 0xff;

    // Debug output would cost as much as the answers: count the oversized ones, drop the rest.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type == QtDebugMsg)
            tooLargeLines += text.contains(QLatin1String("too large"));
        else
            fprintf(stderr, "%s\n", qPrintable(text));
    });

    const QStringList common = {"--http-port", "0", "--no-discovery", "--seed", "1"};
    QVector<double> huge, healthy;
    for (int run = 0; run < runs; ++run) {
        int polls = 0;
        huge << cpuPerSecond(common + QStringList{"--fault", "huge"}, seconds, &polls);
        if (polls < seconds - 1)
            qFatal("the tile did not meet the oversized answer on every poll");
        const int cutOff = polls;
        healthy << cpuPerSecond(common, seconds, &polls);
        printf("run %d: 8 MiB device %.2f ms/s (%d answers cut off), healthy device %.2f ms/s\n",
               run + 1, huge.last(), cutOff, healthy.last());
        fflush(stdout);
    }
    report("answerlimit.huge.cpu_per_s", huge, "ms");
    report("answerlimit.healthy.cpu_per_s", healthy, "ms");
    return 0;
}
