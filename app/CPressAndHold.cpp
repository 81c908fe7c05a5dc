#include "CPressAndHold.h"

#include "QtCompat.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QStyleHints>
#include <QTouchEvent>
#include <QWidget>
#include <QWindow>

CPressAndHold::CPressAndHold(QWidget *window) : QObject(window), m_window(window)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, SIGNAL(timeout()), this, SLOT(onTimeout()));
    // The window's QWindow comes and goes with the native window, so the filter sits on the
    // application and picks that window's events out.
    qApp->installEventFilter(this);
}

CPressAndHold::~CPressAndHold()
{
    qApp->removeEventFilter(this);
}

bool CPressAndHold::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    const bool mouse = type == QEvent::MouseButtonPress || type == QEvent::MouseMove ||
                       type == QEvent::MouseButtonRelease;
    const bool touch = type == QEvent::TouchBegin || type == QEvent::TouchUpdate ||
                       type == QEvent::TouchEnd || type == QEvent::TouchCancel;
    if (!(mouse || touch) || watched != m_window->windowHandle())
        return false;

    if (touch) {
        const QList<QtCompat::TouchPoint> &points =
            QtCompat::touchPoints(static_cast<QTouchEvent *>(event));
        if (type == QEvent::TouchBegin && points.size() == 1)
            press(QtCompat::globalPosition(points.first()));
        else if (type == QEvent::TouchUpdate && points.size() == 1)
            moveTo(QtCompat::globalPosition(points.first()));
        else
            cancel(); // lifted, taken away, or a second finger
        return false;
    }

    auto *mouseEvent = static_cast<QMouseEvent *>(event);
    if (mouseEvent->source() == Qt::MouseEventSynthesizedByQt)
        return false; // made from a touch, which is followed as such
    if (type == QEvent::MouseMove)
        moveTo(QtCompat::globalPosition(mouseEvent));
    else if (type == QEvent::MouseButtonPress && mouseEvent->buttons() == Qt::LeftButton)
        press(QtCompat::globalPosition(mouseEvent));
    else
        cancel(); // released, or another button
    return false;
}

void CPressAndHold::press(const QPointF &globalPos)
{
    m_pressPos = globalPos;
    m_timer.start(HoldDelay);
}

void CPressAndHold::moveTo(const QPointF &globalPos)
{
    if (m_timer.isActive() && (globalPos - m_pressPos).manhattanLength() >
                                  QGuiApplication::styleHints()->startDragDistance())
        cancel();
}

void CPressAndHold::cancel()
{
    m_timer.stop();
}

void CPressAndHold::onTimeout()
{
    emit held(m_pressPos.toPoint());
}
