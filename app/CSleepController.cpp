#include "CSleepController.h"

#include "CSettings.h"
#include "QtCompat.h"

#include <QApplication>
#include <QDateTime>
#include <QDebug>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>

#include <memory>

CSleepController::CSleepController(QObject *parent) : QObject(parent)
{
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    m_now = [clock] {
        return clock->elapsed();
    };
    m_timeOfDay = [] {
        return QTime::currentTime();
    };
    noteInput();

    connect(&m_tick, SIGNAL(timeout()), this, SLOT(evaluate()));
    m_tick.start(TickInterval);
    qApp->installEventFilter(this);
}

CSleepController::~CSleepController()
{
    qApp->removeEventFilter(this);
}

bool CSleepController::wanted()
{
    return g_settings->m_sleepAfter > 0 || g_settings->m_sleepBetween.isValid();
}

void CSleepController::noteInput()
{
    m_lastInput = m_now();
    m_lastInputInWindow = g_settings->m_sleepBetween.contains(m_timeOfDay()) ? m_lastInput : -1;
}

void CSleepController::evaluate()
{
    const bool critical = g_settings->m_wakeOnCritical && m_anyCritical && m_anyCritical();
    // Someone is at a dialog or menu, or a value needs to be seen.
    if (critical || QApplication::activeModalWidget() || QApplication::activePopupWidget()) {
        setDark(false);
        return;
    }
    const qint64 now = m_now();
    const qint64 sleepAfter = qint64(g_settings->m_sleepAfter) * 1000;
    const bool idle = sleepAfter > 0 && now - m_lastInput >= sleepAfter;
    // In the dark hours only input made in them lights the panel, for SleepAfter or WindowWake.
    bool darkHours = g_settings->m_sleepBetween.contains(m_timeOfDay());
    if (darkHours && m_lastInputInWindow >= 0)
        darkHours = now - m_lastInputInWindow >= (sleepAfter > 0 ? sleepAfter : WindowWake * 1000);
    else if (!darkHours)
        m_lastInputInWindow = -1;
    setDark(idle || darkHours);
}

bool CSleepController::eventFilter(QObject *, QEvent *event)
{
    const QEvent::Type type = event->type();
    Rest kind = Rest::None;
    bool begins = false; // a press, a touch or a key going down
    switch (type) {
    case QEvent::MouseMove: {
        // Qt also sends moves without movement, when widgets appear under the cursor.
        const QPointF pos = QtCompat::globalPosition(static_cast<QMouseEvent *>(event));
        if (pos != m_lastMousePos) {
            m_lastMousePos = pos;
            if (!m_dark && m_rest == Rest::None)
                noteInput();
        }
        return false;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        begins = true;
        Q_FALLTHROUGH();
    case QEvent::MouseButtonRelease:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
        kind = Rest::Mouse;
        break;
    case QEvent::TouchBegin:
        begins = true;
        Q_FALLTHROUGH();
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
        kind = Rest::Touch;
        break;
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride: // comes first, and accepted keeps the key from any shortcut
        begins = true;
        Q_FALLTHROUGH();
    case QEvent::KeyRelease:
        kind = Rest::Key;
        break;
    default:
        return false;
    }

    if (m_rest != Rest::None) {
        bool ends = false;
        if (m_rest == Rest::Mouse && type == QEvent::MouseButtonRelease)
            ends = static_cast<QMouseEvent *>(event)->buttons() == Qt::NoButton;
        else if (m_rest == Rest::Touch)
            ends = type == QEvent::TouchEnd || type == QEvent::TouchCancel;
        else if (m_rest == Rest::Key && type == QEvent::KeyRelease) {
            auto *key = static_cast<QKeyEvent *>(event);
            ends = !key->isAutoRepeat() && key->key() == m_restKey;
        }
        if (ends)
            m_rest = Rest::None;
        event->accept();
        return true;
    }
    if (!m_dark) {
        if (begins)
            noteInput();
        return false;
    }
    if (begins) {
        m_rest = kind;
        if (kind == Rest::Key)
            m_restKey = static_cast<QKeyEvent *>(event)->key();
        noteInput();
        setDark(false);
    }
    // Accepted: a touch turns into no mouse events, a key into no shortcut.
    event->accept();
    return true;
}

void CSleepController::setDark(bool dark)
{
    if (dark == m_dark)
        return;
    m_dark = dark;
    runCommand(dark ? g_settings->m_sleepCommand : g_settings->m_wakeCommand);
    emit darkChanged(dark);
}

// Without a shell; started and left to run, and killed when it takes too long, so a command that
// hangs holds up nothing.
void CSleepController::runCommand(const QString &command)
{
    QStringList arguments = QProcess::splitCommand(command);
    if (arguments.isEmpty())
        return;
    const QString program = arguments.takeFirst();
    auto *process = new QProcess(this);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    connect(process, SIGNAL(finished(int, QProcess::ExitStatus)), process, SLOT(deleteLater()));
    connect(process, SIGNAL(errorOccurred(QProcess::ProcessError)), this,
            SLOT(onCommandError(QProcess::ProcessError)));
    QTimer::singleShot(m_commandTimeout, process, SLOT(kill()));
    process->start(program, arguments);
}

void CSleepController::onCommandError(QProcess::ProcessError error)
{
    auto *process = qobject_cast<QProcess *>(sender());
    if (!process)
        return;
    qWarning().noquote() << QStringLiteral("Command %1 failed (%2): %3")
                                .arg(process->program())
                                .arg(int(error))
                                .arg(process->errorString());
    // One that never started sends no finished().
    if (error == QProcess::FailedToStart)
        process->deleteLater();
}
