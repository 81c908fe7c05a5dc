#include "SensorAnswer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

QString answerText(const QByteArray &body)
{
    return QString::fromUtf8(body);
}

QVector<SensorReading> sensorReadings(const QByteArray &body)
{
    return sensorReadings(answerText(body));
}

QVector<SensorReading> sensorReadings(const QString &text)
{
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    const QJsonArray sensors = document.object().value(QLatin1String("sensor")).toArray();

    QVector<SensorReading> readings;
    for (int i = 0; i < 3 && i < sensors.size(); ++i) {
        // Anything but an object, and any missing or non-string member, reads as empty.
        const QJsonObject element = sensors.at(i).toObject();
        SensorReading reading;
        reading.status = element.value(QLatin1String("status")).toString().toInt(nullptr, 10);
        reading.value = element.value(QLatin1String("value")).toString();
        reading.unit =
            element.value(QLatin1String("unit"))
                .toString()
                .replace(QLatin1String("&deg;"), QStringLiteral("\u00b0"), Qt::CaseSensitive);
        readings.append(reading);
    }
    return readings;
}
