#pragma once

#include <QNetworkInterface>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

namespace TestSupport {

// Interfaces that may be up while a test runs: loopback and our own veth end
// (tests/tools/netns-run).
inline QStringList unexpectedInterfaces()
{
    QStringList found;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces) {
        if (!(iface.flags() & QNetworkInterface::IsUp))
            continue;
        if (iface.name() != QLatin1String("lo") && iface.name() != QLatin1String("vp0"))
            found << iface.name();
    }
    return found;
}

// Points every user-scope INI QSettings at a fresh directory that lives as long as the returned
// object, so a test never touches the real settings of the machine.
inline QTemporaryDir *useThrowawayConfig()
{
    auto *dir = new QTemporaryDir;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir->path());
    return dir;
}

// Records every message the program writes while it lives and passes each one on to the handler
// it replaced, so a test can look for the diagnostics. One at a time, made in initTestCase or
// later: Qt Test installs a handler of its own when it starts running the test functions.
class DebugLog
{
public:
    DebugLog() : m_previous(qInstallMessageHandler(record)) { s_current = this; }
    ~DebugLog()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }

    const QStringList &lines() const { return m_lines; }
    void clear() { m_lines.clear(); }

private:
    static void record(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        s_current->m_lines << text;
        s_current->m_previous(type, context, text);
    }

    QStringList m_lines;
    QtMessageHandler m_previous;
    static inline DebugLog *s_current = nullptr;
};

} // namespace TestSupport

// For tests that construct anything that broadcasts: refuse to go on outside a private network.
#define REQUIRE_PRIVATE_NETWORK()                                                                  \
    do {                                                                                           \
        const QStringList unexpected = TestSupport::unexpectedInterfaces();                        \
        if (qEnvironmentVariableIntValue("BRIMO_PRIVATE_NET") != 1 || !unexpected.isEmpty())       \
            QFAIL(qPrintable(QStringLiteral("refusing to run outside a private network "           \
                                            "namespace; unexpected interfaces: ") +                \
                             unexpected.join(QLatin1Char(' '))));                                  \
    } while (false)
