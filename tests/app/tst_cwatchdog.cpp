#include "CWatchdog.h"
#include "NotifySocket.h"

#include <QTest>
#include <QThread>

class tst_CWatchdog : public QObject
{
    Q_OBJECT

private slots:
    void withoutServiceManager();
    void readyThenPings();
};

void tst_CWatchdog::withoutServiceManager()
{
    qunsetenv("NOTIFY_SOCKET");
    qputenv("WATCHDOG_USEC", "200000");
    CWatchdog watchdog;
    QCOMPARE(watchdog.interval(), 100);
    watchdog.start(); // nowhere to send to, and nothing happens
    QTest::qWait(300);
    qputenv("WATCHDOG_PID", "999999999"); // pings are wanted from another process
    QCOMPARE(CWatchdog().interval(), 0);
    qunsetenv("WATCHDOG_USEC");
    qunsetenv("WATCHDOG_PID");
    QCOMPARE(CWatchdog().interval(), 0);
}

// READY=1 first, then WATCHDOG=1 at half the interval, from the GUI thread: none while it is held.
void tst_CWatchdog::readyThenPings()
{
    NotifySocket manager;
    QVERIFY(manager.isBound());
    qputenv("NOTIFY_SOCKET", manager.path());
    qputenv("WATCHDOG_USEC", "200000");
    // As under a compositor that the service manager started.
    qputenv("WATCHDOG_PID", QByteArray::number(qlonglong(getppid())));
    CWatchdog watchdog;
    QCOMPARE(watchdog.interval(), 100);
    QVERIFY(manager.take().isEmpty());

    watchdog.start();
    QTest::qWait(1000);
    const QByteArrayList messages = manager.take();
    QVERIFY(!messages.isEmpty());
    QCOMPARE(messages.first(), QByteArray("READY=1"));
    // About ten, on a busy machine fewer.
    QVERIFY2(messages.count("WATCHDOG=1") == messages.size() - 1 && messages.size() >= 6 &&
                 messages.size() <= 12,
             messages.join(' '));

    manager.take();
    QThread::msleep(500);
    QVERIFY(manager.take().isEmpty());
    QByteArrayList after;
    QTRY_VERIFY(!(after += manager.take()).isEmpty());
    QCOMPARE(after.first(), QByteArray("WATCHDOG=1"));
}

QTEST_GUILESS_MAIN(tst_CWatchdog)
#include "tst_cwatchdog.moc"
