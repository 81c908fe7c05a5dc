#pragma once

#include <QObject>
#include <QPointF>
#include <QProcess>
#include <QTime>
#include <QTimer>

#include <functional>

// Lets the screen go dark when nobody uses the panel (General/SleepAfter) and in the dark hours
// (General/SleepBetween), and wakes it on the first touch, click or key, which then does nothing
// else: the controller sees every event of the program first and swallows that input up to its
// release. A Critical sensor keeps it lit (unless General/WakeOnCritical is false), and so does an
// open dialog or menu. It only decides; the panel does the darkening on darkChanged(), and the
// user's SleepCommand and WakeCommand run here, never waited for.
class CSleepController : public QObject
{
    Q_OBJECT

public:
    static constexpr int TickInterval = 1000; // ms between two looks at the rules
    static constexpr int WindowWake = 60;     // s a wake in the dark hours lasts without SleepAfter
    static constexpr int CommandTimeout = 10000; // ms a command may run before it is killed

    explicit CSleepController(QObject *parent);
    ~CSleepController() override;

    // Whether the settings ask for dark at all.
    static bool wanted();

    bool isDark() const { return m_dark; }

    // Whether any tile is Critical now; set by the panel.
    std::function<bool()> m_anyCritical;
    // Clocks, which tests replace: a steady time in ms, and the local time of day.
    std::function<qint64()> m_now;
    std::function<QTime()> m_timeOfDay;
    int m_commandTimeout = CommandTimeout;

signals:
    void darkChanged(bool dark);

public slots:
    // Goes dark or lights up as the rules say now; run every TickInterval.
    void evaluate();
    // Someone used the panel just now.
    void noteInput();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void onCommandError(QProcess::ProcessError error);

private:
    // The rest of the input that woke the panel, which is swallowed too.
    enum class Rest
    {
        None,
        Mouse,
        Touch,
        Key
    };

    void setDark(bool dark);
    void runCommand(const QString &command);

    QTimer m_tick;
    qint64 m_lastInput = 0;
    qint64 m_lastInputInWindow = -1; // -1: none since the dark hours began
    QPointF m_lastMousePos;
    bool m_dark = false;
    Rest m_rest = Rest::None;
    int m_restKey = 0;
};
