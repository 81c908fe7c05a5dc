#pragma once

#include <QObject>
#include <QTimer>

// Tells the service manager that the panel is up, and then that its GUI thread still turns: the
// pings come from a timer of the GUI thread's event loop, at half the watchdog interval, so a
// frozen GUI thread stops them and the service manager restarts the panel. Without a service
// manager that listens it does nothing.
class CWatchdog : public QObject
{
    Q_OBJECT

public:
    explicit CWatchdog(QObject *parent = nullptr);
    ~CWatchdog() override;

    // The ping interval in ms; 0 without a watchdog.
    int interval() const { return m_timer.interval(); }

public slots:
    // Once the window is shown: READY=1, and the pings from now on.
    void start();

private slots:
    void ping();

private:
    QTimer m_timer;
};
