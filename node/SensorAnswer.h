#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// The most a tile reads of one answer. A real answer is about 200 bytes: anything beyond this is a
// broken or hostile device, and reading it would hold up every tile.
constexpr qint64 MaxAnswerBytes = 64 * 1024;

// One sensor's reading as the device reports it.
struct SensorReading
{
    int status = 0; // 0 normal, anything else critical
    QString value;
    QString unit;
};

// The answer body as text: UTF-8, up to the first NUL byte.
QString answerText(const QByteArray &body);

// The readings of a device answer, in sensor order (temperature, humidity, dew point), at most
// three. An answer that is no JSON object with a "sensor" array gives none.
QVector<SensorReading> sensorReadings(const QString &text);
QVector<SensorReading> sensorReadings(const QByteArray &body);
