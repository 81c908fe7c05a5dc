#pragma once

#include <QDebug>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

// brimo-devsim as a child process. Tests that use it define BRIMO_DEVSIM as the path of the
// executable (tests/*/CMakeLists.txt).
namespace TestSupport {

struct DevSimPorts
{
    quint16 http = 0;
    quint16 scan = 0;
};

// Starts the simulator with the arguments, inside the network namespace netns when one is given.
inline void startDevSim(QProcess &process, const QStringList &arguments,
                        const QString &netns = QString())
{
    const QStringList simulator = QStringList{QStringLiteral(BRIMO_DEVSIM)} + arguments;
    if (netns.isEmpty())
        process.start(simulator.first(), simulator.mid(1));
    else
        process.start(QStringLiteral("ip"), QStringList{"netns", "exec", netns} + simulator);
}

// Waits for the first line of a started simulator; true when it is "listening ADDRESS:PORT scan
// SCANPORT" for the address it was given (--address, 127.0.0.1 without one).
inline bool waitForListening(QProcess &process, DevSimPorts *ports = nullptr, int timeoutMs = 5000)
{
    const QStringList arguments = process.arguments();
    const int option = arguments.indexOf(QStringLiteral("--address"));
    const QString address = option >= 0 ? arguments.value(option + 1) : QStringLiteral("127.0.0.1");
    if (!process.waitForStarted(timeoutMs))
        return false;
    while (!process.canReadLine() && process.waitForReadyRead(timeoutMs)) {
    }
    const QString line = QString::fromLatin1(process.readLine()).trimmed();
    const QRegularExpressionMatch match =
        QRegularExpression("^listening " + QRegularExpression::escape(address) +
                           R"(:(\d+) scan (\d+)$)")
            .match(line);
    if (!match.hasMatch()) {
        qWarning() << "the simulator did not start:" << line << process.readAllStandardError();
        return false;
    }
    if (ports)
        *ports = {quint16(match.captured(1).toUInt()), quint16(match.captured(2).toUInt())};
    return true;
}

inline bool startListening(QProcess &process, const QStringList &arguments,
                           const QString &netns = QString(), DevSimPorts *ports = nullptr)
{
    startDevSim(process, arguments, netns);
    return waitForListening(process, ports);
}

} // namespace TestSupport
