#pragma once

#include <QNetworkInterface>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>
#endif

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
#ifdef Q_OS_WIN
        // Windows names interfaces by type and number ("ethernet_2"); Wine gives the Linux name
        // as the friendly one.
        const QString name = iface.humanReadableName();
#else
        const QString name = iface.name();
#endif
        if (name != QLatin1String("lo") && name != QLatin1String("vp0"))
            found << name;
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

// While it lives, fails the running test on the warnings with which Qt reports a connection it
// could not make: the program connects by signature strings and binds on_... slots by name, so a
// renamed signal or slot still compiles and would otherwise only print one line and stop working.
// Every message, those included, goes on to the handler it replaced (Qt Test's, or the test's own
// when that was installed first). Made in initTestCase or later, after Qt Test installed its
// handler; a second one while one lives only counts.
class ConnectCheck
{
public:
    ConnectCheck()
    {
        if (s_active++ == 0)
            s_next = qInstallMessageHandler(check);
    }
    ~ConnectCheck()
    {
        if (--s_active > 0)
            return;
        // Put back what came before, unless another handler was installed on top since.
        const QtMessageHandler top = qInstallMessageHandler(s_next);
        if (top != check)
            qInstallMessageHandler(top);
    }

    static bool isConnectFailure(const QString &text)
    {
        return text.startsWith(QLatin1String("QObject::connect: No such")) ||
               text.startsWith(QLatin1String("QObject::connect: Cannot connect")) ||
               text.startsWith(
                   QLatin1String("QMetaObject::connectSlotsByName: No matching signal"));
    }

private:
    Q_DISABLE_COPY(ConnectCheck)

    static void check(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        if (s_next)
            s_next(type, context, text);
        if (s_active == 0 || type != QtWarningMsg || !isConnectFailure(text))
            return;
        const QByteArray message = text.toLocal8Bit();
        if (QTest::currentTestFunction())
            QTest::qVerify(false, message.constData(), "a connection failed", __FILE__, __LINE__);
        else
            qFatal("a connection failed outside a test function: %s", message.constData());
    }

    static inline int s_active = 0;
    static inline QtMessageHandler s_next = nullptr;
};

// How many times a time limit stretches in the sanitizer build (BRIMO_SANITIZED=1), where code runs
// several times slower: limits are judged there too, only scaled (measured about three times
// slower).
inline int sanitizerSlowdown()
{
    return qEnvironmentVariableIntValue("BRIMO_SANITIZED") == 1 ? 3 : 1;
}

// CPU time the calling thread has used, in nanoseconds: what a test that measures time judges,
// since other processes on a busy machine cannot inflate it.
inline qint64 threadCpuNs()
{
#ifdef Q_OS_WIN
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0;
    const auto ticks = [](const FILETIME &t) {
        return qint64(t.dwHighDateTime) << 32 | qint64(t.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) * 100;
#else
    timespec now = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
#endif
}

// Nanoseconds the calling thread has been runnable but waiting for a CPU (other processes on the
// machine): how crowded the run was. Linux tells (schedstat); elsewhere it counts as none.
#ifdef Q_OS_WIN
class RunQueueWait
{
public:
    qint64 ns() const { return 0; }
};
#else
class RunQueueWait
{
public:
    RunQueueWait()
    {
        const QByteArray path =
            "/proc/self/task/" + QByteArray::number(qint64(syscall(SYS_gettid))) + "/schedstat";
        m_fd = ::open(path.constData(), O_RDONLY);
    }
    ~RunQueueWait() { ::close(m_fd); }
    qint64 ns() const
    {
        char buffer[128] = {};
        if (::pread(m_fd, buffer, sizeof buffer - 1, 0) <= 0)
            return 0;
        return QByteArray(buffer).split(' ').value(1).toLongLong();
    }

private:
    int m_fd = -1;
};
#endif

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
