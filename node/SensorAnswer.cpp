#include "SensorAnswer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace {

// Deeper documents are refused by the JSON parser anyway.
constexpr int MaxJsonDepth = 1024;

// The JSON string token that starts at json[at] (the opening quote), decoded as the parser
// decodes it; at moves just past the closing quote.
QString scanString(const QByteArray &json, int &at)
{
    const char *data = json.constData();
    const int start = at++;
    bool escaped = false;
    while (at < json.size() && data[at] != '"') {
        if (data[at] == '\\') {
            escaped = true;
            ++at;
        }
        ++at;
    }
    ++at;
    if (!escaped)
        return QString::fromUtf8(data + start + 1, qMax(0, qMin(at, json.size()) - start - 2));
    return QJsonDocument::fromJson("[" + json.mid(start, at - start) + "]")
        .array()
        .at(0)
        .toString();
}

// Whether some object of the document repeats a key whose earlier value is an array or object.
// Qt 5.15's parser drops such a value without freeing it: a device sending that every second
// would make the panel grow without bound. Exact for well-formed JSON, the only kind the parser
// accepts (a document it refuses loses nothing).
bool repeatsContainerKey(const QByteArray &json)
{
    struct Frame
    {
        bool object = false;
        bool expectKey = false;    // a key comes next
        bool valuePending = false; // the value of key comes next
        QString key;
        QSet<QString> containerKeys; // keys whose latest value is an array or object
    };
    QVector<Frame> frames;
    const char *data = json.constData();
    int at = 0;
    while (at < json.size()) {
        const char c = data[at];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ':') {
            ++at;
            continue;
        }
        Frame *frame = frames.isEmpty() ? nullptr : &frames.last();
        if (frame && frame->object && frame->valuePending) {
            if (c == '{' || c == '[')
                frame->containerKeys.insert(frame->key);
            else
                frame->containerKeys.remove(frame->key);
            frame->valuePending = false;
        }
        if (c == '"') {
            const QString text = scanString(json, at);
            if (frame && frame->object && frame->expectKey) {
                if (frame->containerKeys.contains(text))
                    return true;
                frame->key = text;
                frame->expectKey = false;
                frame->valuePending = true;
            }
            continue;
        }
        if (c == '{' || c == '[') {
            if (frames.size() >= MaxJsonDepth)
                return false;
            Frame inner;
            inner.object = c == '{';
            inner.expectKey = inner.object;
            frames.append(inner);
        } else if (c == '}' || c == ']') {
            if (!frames.isEmpty())
                frames.removeLast();
        } else if (c == ',' && frame && frame->object) {
            frame->expectKey = true;
        }
        ++at;
    }
    return false;
}

} // namespace

QString answerText(const QByteArray &body)
{
    // Up to the first NUL, as Qt 5 decoded a byte array; Qt 6 would go on past it.
    if (body.isNull())
        return QString();
    return QString::fromUtf8(body.constData(), int(qstrnlen(body.constData(), uint(body.size()))));
}

QVector<SensorReading> sensorReadings(const QByteArray &body)
{
    return sensorReadings(answerText(body));
}

QVector<SensorReading> sensorReadings(const QString &text)
{
    const QByteArray json = text.toUtf8();
    if (repeatsContainerKey(json))
        return {};
    const QJsonDocument document = QJsonDocument::fromJson(json);
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
