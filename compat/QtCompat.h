#pragma once

// What differs between Qt 5.15 and Qt 6 in the calls the panel makes, in one place: the rest of the
// code calls these and reads the same under both.

#include <QFont>
#include <QMouseEvent>
#include <QPalette>
#include <QPointF>
#include <QString>
#include <QTouchEvent>
#include <QtGlobal>
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <QPointingDevice>
#else
#include <QTouchDevice>
#endif

namespace QtCompat {

#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
using TouchPoint = QEventPoint;
using TouchDevice = QPointingDevice; // what QTest::createTouchDevice() makes

// Which roles (for the active group, bit = role) and font properties are set rather than inherited.
inline quint64 resolveMask(const QPalette &palette)
{
    return palette.resolveMask();
}
inline uint resolveMask(const QFont &font)
{
    return font.resolveMask();
}

inline const QList<TouchPoint> &touchPoints(const QTouchEvent *event)
{
    return event->points();
}
inline QPointF globalPosition(const TouchPoint &point)
{
    return point.globalPosition();
}
inline QPointF globalPosition(const QMouseEvent *event)
{
    return event->globalPosition();
}
#else
using TouchPoint = QTouchEvent::TouchPoint;
using TouchDevice = QTouchDevice;

inline quint64 resolveMask(const QPalette &palette)
{
    return palette.resolve();
}
inline uint resolveMask(const QFont &font)
{
    return font.resolve();
}

inline const QList<TouchPoint> &touchPoints(const QTouchEvent *event)
{
    return event->touchPoints();
}
inline QPointF globalPosition(const TouchPoint &point)
{
    return point.screenPos();
}
inline QPointF globalPosition(const QMouseEvent *event)
{
    return event->screenPos();
}
#endif

// The settings file at path, as QSettings just wrote it, in the form the Qt 5 build writes and
// reads: Qt 6 writes the INI file as UTF-8, which the Qt 5 build would read as Latin-1 and garble.
// Under Qt 5 nothing is done.
void keepQt5IniEncoding(const QString &path);

} // namespace QtCompat
