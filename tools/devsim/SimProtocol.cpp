#include "SimProtocol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>
#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace SimProtocol {

double dewPoint(double temperature, double humidity)
{
    const double a = 17.62;
    const double b = 243.12;
    const double gamma =
        std::log(std::max(humidity, 0.1) / 100.0) + a * temperature / (b + temperature);
    return b * gamma / (a - gamma);
}

bool validTemperature(double temperature)
{
    return std::isfinite(temperature) && temperature >= -60.0 && temperature <= 100.0;
}

bool validHumidity(double humidity)
{
    return std::isfinite(humidity) && humidity >= 0.0 && humidity <= 100.0;
}

static double shown(double value)
{
    const double rounded = std::round(value * 10.0) / 10.0;
    return rounded == 0.0 ? 0.0 : rounded; // drops the sign of -0.0
}

QString formatValue(double value)
{
    return QString::number(shown(value), 'f', 1);
}

QString sensorStatus(double value, const SimLimits &limits)
{
    const double v = shown(value);
    return v < limits.low || v > limits.high ? QStringLiteral("2") : QStringLiteral("0");
}

static QJsonObject sensor(double value, const SimLimits &limits, const QString &unit)
{
    return QJsonObject{{QStringLiteral("status"), sensorStatus(value, limits)},
                       {QStringLiteral("value"), formatValue(value)},
                       {QStringLiteral("unit"), unit}};
}

QByteArray panelDocument(double temperature, double humidity, const SimOptions &options)
{
    const QString degrees = QStringLiteral("&deg;C");
    const QJsonArray sensors{
        sensor(temperature, options.temperatureLimits, degrees),
        sensor(humidity, options.humidityLimits, QStringLiteral("% rF")),
        sensor(dewPoint(temperature, humidity), options.dewPointLimits, degrees)};
    return QJsonDocument(QJsonObject{{QStringLiteral("sensor"), sensors}})
        .toJson(QJsonDocument::Compact);
}

// Each one is well-formed JSON that a careless reader could trip over.
static const char *const wrongTypes[] = {
    // numbers where strings belong
    R"({"sensor":[{"status":2,"value":21.5,"unit":7},{"status":0,"value":45,"unit":0},)"
    R"({"status":1,"value":9.2,"unit":false}]})",
    // arrays, objects and null where strings belong
    R"({"sensor":[{"status":["2"],"value":{"v":"21.5"},"unit":null},)"
    R"({"status":{"s":"2"},"value":["45.0"],"unit":["% rF"]},{"status":null,"value":null,"unit":{}}]})",
    // "sensor" an object
    R"({"sensor":{"status":"2","value":"21.5","unit":"&deg;C"}})",
    // "sensor" a string
    R"({"sensor":"21.5"})",
    // "sensor" null
    R"({"sensor":null})",
    // top level an array
    R"([{"status":"2","value":"21.5","unit":"&deg;C"}])",
    // elements that are no objects
    R"({"sensor":["21.5",45,null,true,[]]})",
};

int wrongTypesVariantCount()
{
    return int(sizeof(wrongTypes) / sizeof(wrongTypes[0]));
}

QByteArray wrongTypesDocument(int variant)
{
    const int count = wrongTypesVariantCount();
    return QByteArray(wrongTypes[((variant % count) + count) % count]);
}

QByteArray hugeDocument(const QByteArray &document, int size)
{
    // {"padding":"xxx...","sensor":[...]}: keeps the document valid JSON.
    const QByteArray head = "{\"padding\":\"";
    const QByteArray tail = "\"," + document.mid(1);
    const int padding = std::max(0, size - int(head.size()) - int(tail.size()));
    return head + QByteArray(padding, 'x') + tail;
}

double drifted(double value, double centre, double halfRange, double step, double noise)
{
    const double pulled = value + noise * step + 0.05 * (centre - value);
    return std::clamp(pulled, centre - halfRange, centre + halfRange);
}

bool isDiscoveryRequest(const QByteArray &datagram)
{
    return datagram.size() == DatagramSize && datagram.at(4) == 0;
}

QByteArray announcement(const QByteArray &mac, const QHostAddress &address, const QString &name)
{
    QByteArray datagram(DatagramSize, '\0');
    datagram[4] = 1; // announcement; bytes 0-3 (leading word) and 5 (format byte) stay 0
    for (int i = 0; i < 6 && i < mac.size(); ++i)
        datagram[6 + i] = mac.at(i);
    qToBigEndian<quint32>(address.toIPv4Address(), datagram.data() + 12);
    const QByteArray latin1 = name.toLatin1().left(MaxHostNameLength);
    datagram[28] = char(latin1.size());
    std::copy(latin1.begin(), latin1.end(), datagram.begin() + 29);
    return datagram;
}

HttpRequest parseRequestHead(const QByteArray &head)
{
    HttpRequest request;
    int end = head.indexOf('\n');
    const QByteArray line = (end < 0 ? head : head.left(end)).trimmed();
    const QList<QByteArray> parts = line.split(' ');
    if (parts.size() != 3 || !parts[2].startsWith("HTTP/1.") || parts[0].isEmpty() ||
        !parts[1].startsWith('/'))
        return request;
    request.valid = true;
    request.method = parts[0];
    const QByteArray &target = parts[1];
    const int question = target.indexOf('?');
    request.path = question < 0 ? target : target.left(question);
    request.query = question < 0 ? QByteArray() : target.mid(question + 1);
    return request;
}

bool isPanelDocumentRequest(const HttpRequest &request)
{
    const QList<QByteArray> items = request.query.split('&');
    return request.path == "/tpl/document.cgi" && items.contains("tpl/j/panel.tpl") &&
           items.contains("format=json");
}

bool parseSetQuery(const QByteArray &query, SetRequest *set, QString *error)
{
    *set = SetRequest();
    const QUrlQuery items(QString::fromLatin1(query));
    const auto pairs = items.queryItems(QUrl::FullyDecoded);
    if (pairs.isEmpty()) {
        *error = QStringLiteral("nothing to set: give temperature=X, humidity=Y or fault=MODE");
        return false;
    }
    for (const auto &pair : pairs) {
        bool ok = false;
        const double value = pair.second.toDouble(&ok);
        if (pair.first == QLatin1String("temperature") && ok && validTemperature(value)) {
            set->hasTemperature = true;
            set->temperature = value;
        } else if (pair.first == QLatin1String("humidity") && ok && validHumidity(value)) {
            set->hasHumidity = true;
            set->humidity = value;
        } else if (pair.first == QLatin1String("fault") &&
                   parseSimFault(pair.second, &set->fault)) {
            set->hasFault = true;
        } else {
            *error = QStringLiteral("bad parameter: %1=%2").arg(pair.first, pair.second);
            return false;
        }
    }
    return true;
}

QByteArray reasonPhrase(int code)
{
    switch (code) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 429:
        return "Too Many Requests";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 501:
        return "Not Implemented";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    case 504:
        return "Gateway Timeout";
    default:
        return code >= 500 ? "Server Error" : "Client Error";
    }
}

QByteArray httpResponse(int code, const QByteArray &contentType, const QByteArray &body,
                        bool keepAlive)
{
    return "HTTP/1.1 " + QByteArray::number(code) + ' ' + reasonPhrase(code) +
           "\r\nContent-Type: " + contentType +
           "\r\nContent-Length: " + QByteArray::number(body.size()) +
           (keepAlive ? "\r\nConnection: keep-alive\r\n\r\n" : "\r\nConnection: close\r\n\r\n") +
           body;
}

} // namespace SimProtocol
