#include "CWatchdog.h"

#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// READY=1 first, then WATCHDOG=1 at half the interval from the GUI thread, none while it is held;
// nothing without a service manager that listens. The test is the manager's end: an AF_UNIX
// datagram socket (Linux; QLocalSocket knows only streams).
class tst_CWatchdog : public QObject
{
    Q_OBJECT

private slots:
    void readyThenPings()
    {
        qputenv("WATCHDOG_USEC", "200000");
        QCOMPARE(CWatchdog().interval(), 100);
        CWatchdog().start(); // no NOTIFY_SOCKET: nothing to send to, and nothing happens
        qputenv("WATCHDOG_PID", "999999999"); // pings are wanted from another process
        QCOMPARE(CWatchdog().interval(), 0);

        QTemporaryDir dir;
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, qPrintable(dir.filePath("notify")), sizeof address.sun_path);
        const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK, 0);
        QVERIFY(bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
        auto take = [fd] {
            QByteArrayList messages;
            char buffer[256];
            for (ssize_t size; (size = recv(fd, buffer, sizeof buffer, 0)) >= 0;)
                messages << QByteArray(buffer, int(size));
            return messages;
        };
        qputenv("NOTIFY_SOCKET", address.sun_path);
        // As under a compositor that the service manager started.
        qputenv("WATCHDOG_PID", QByteArray::number(qlonglong(getppid())));
        CWatchdog watchdog;
        QVERIFY(take().isEmpty());
        watchdog.start();
        QTest::qWait(1000);
        const QByteArrayList messages = take();
        QVERIFY(!messages.isEmpty() && messages.first() == "READY=1");
        // About ten, on a busy machine fewer.
        QVERIFY2(messages.count("WATCHDOG=1") == messages.size() - 1 && messages.size() >= 6 &&
                     messages.size() <= 12,
                 messages.join(' '));
        QThread::msleep(500);
        QVERIFY(take().isEmpty());
        QByteArrayList after;
        QTRY_VERIFY((after += take()).contains("WATCHDOG=1"));
        close(fd);
    }
};

QTEST_GUILESS_MAIN(tst_CWatchdog)
#include "tst_cwatchdog.moc"
