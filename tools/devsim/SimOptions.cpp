#include "SimOptions.h"

#include "SimProtocol.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <cmath>

bool parseSimFault(const QString &text, SimFault *fault)
{
    static const struct
    {
        const char *name;
        SimFault::Kind kind;
    } plain[] = {{"none", SimFault::None},
                 {"hang", SimFault::Hang},
                 {"garbage", SimFault::Garbage},
                 {"non-json", SimFault::NonJson},
                 {"wrong-types", SimFault::WrongTypes},
                 {"huge", SimFault::Huge},
                 {"reset", SimFault::Reset}};
    for (const auto &entry : plain) {
        if (text == QLatin1String(entry.name)) {
            *fault = SimFault{entry.kind, -1};
            return true;
        }
    }
    const QString kind = text.section(QLatin1Char(':'), 0, 0);
    const QString argument = text.section(QLatin1Char(':'), 1);
    bool ok = false;
    const int number = argument.toInt(&ok);
    if (!ok)
        return false;
    if (kind == QLatin1String("slow") && number >= 0 && number <= 3600000)
        *fault = SimFault{SimFault::Slow, number};
    else if (kind == QLatin1String("http-error") && number >= 400 && number <= 599)
        *fault = SimFault{SimFault::HttpError, number};
    else if (kind == QLatin1String("wrong-types") && number >= 0 &&
             number < SimProtocol::wrongTypesVariantCount())
        *fault = SimFault{SimFault::WrongTypes, number};
    else
        return false;
    return true;
}

static bool parseNumber(const QString &text, double *value)
{
    bool ok = false;
    *value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(*value);
}

bool parseSimLimits(const QString &text, SimLimits *limits)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    SimLimits parsed{};
    if (parts.size() != 2 || !parseNumber(parts[0], &parsed.low) ||
        !parseNumber(parts[1], &parsed.high) || parsed.low > parsed.high)
        return false;
    *limits = parsed;
    return true;
}

QByteArray parseMac(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9A-Fa-f]{2}(:[0-9A-Fa-f]{2}){5}$"));
    if (!pattern.match(text).hasMatch())
        return QByteArray();
    return QByteArray::fromHex(text.toLatin1()); // fromHex skips the colons
}

static bool parsePort(const QString &text, quint16 *port)
{
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || value > 65535)
        return false;
    *port = quint16(value);
    return true;
}

static const char description[] =
    "A simulated Brimo climate-sensor device for testing the panel.\n"
    "\n"
    "HTTP (Connection: close, or keep-alive for answers of status 200 with --keep-alive):\n"
    "  GET /tpl/document.cgi?tpl/j/panel.tpl&format=json\n"
    "      {\"sensor\":[temperature, humidity, dew point]}, each {\"status\",\"value\",\"unit\"};\n"
    "      status \"2\" outside the sensor's limits, else \"0\".\n"
    "  GET /sim/set?temperature=X&humidity=Y&fault=MODE\n"
    "      sets any of them at once and answers \"ok\"; fault=none ends a fault, so a device\n"
    "      can answer well first and misbehave later.\n"
    "Faults (--fault) apply to the document request only; /sim/set always answers:\n"
    "  slow:MS          answer after MS milliseconds\n"
    "  hang             read the request, never answer, keep the connection open\n"
    "  garbage          200 with a body of random bytes\n"
    "  non-json         200 with a plain-text body\n"
    "  wrong-types[:N]  JSON with wrong types (numbers, arrays, objects where strings belong,\n"
    "                   \"sensor\" no array, top level no object), a different one per request,\n"
    "                   or always variant N\n"
    "  huge             a valid document padded to 8 MiB\n"
    "  reset            read the request, close the connection without answering\n"
    "  http-error:CODE  status CODE (400-599) with an HTML error body\n"
    "  none             answer properly (the default)\n"
    "Discovery: answers every 128-byte request (type byte 0) on the scan port with a 128-byte\n"
    "announcement to the sender.\n"
    "Once listening it prints: listening ADDRESS:HTTPPORT scan SCANPORT (0 with --no-discovery).";

SimOptionsResult parseSimOptions(const QStringList &arguments)
{
    SimOptionsResult result;
    SimOptions &o = result.options;
    auto fail = [&result](const QString &message) {
        result.outcome = SimOptionsResult::Error;
        result.text = message.simplified(); // one line
        return result;
    };

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(description));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    auto option = [](const char *name, const char *text, const char *value = nullptr) {
        return value ? QCommandLineOption(QLatin1String(name), QLatin1String(text),
                                          QLatin1String(value))
                     : QCommandLineOption(QLatin1String(name), QLatin1String(text));
    };
    const auto name = option("name", "Host name it announces (default brimo-sim).", "TEXT");
    const auto mac = option("mac", "MAC it announces (default 02:00:00:00:00:01).", "MAC");
    const auto address =
        option("address", "IPv4 address it listens on and announces (default 127.0.0.1).", "IPV4");
    const auto httpPort = option("http-port", "HTTP port (default 80; 0 = any free port).", "N");
    const auto scanPort = option(
        "scan-port", "UDP discovery port it answers on (default 9806; 0 = any free port).", "N");
    const auto noDiscovery = option("no-discovery", "Do not answer discovery requests.");
    const auto temperature =
        option("temperature", "Start temperature in degC (default 21.5).", "C");
    const auto humidity = option("humidity", "Start relative humidity in % (default 45.0).", "PCT");
    const auto temperatureLimits = option(
        "temperature-limits", "Temperature outside [LO, HI] is critical (default 15:28).", "LO:HI");
    const auto humidityLimits = option(
        "humidity-limits", "Humidity outside [LO, HI] is critical (default 30:60).", "LO:HI");
    const auto dewPointLimits = option(
        "dewpoint-limits", "Dew point outside [LO, HI] is critical (default 0:15).", "LO:HI");
    const auto noDrift = option("no-drift", "Keep the values fixed (default: they drift slowly, "
                                            "within +-1.5 degC and +-4 % of where they were set).");
    const auto driftEveryPoll =
        option("drift-every-poll", "Step the values on every document request instead, so that "
                                   "each answer's three value texts differ from the last one's.");
    const auto keepAlive =
        option("keep-alive", "Keep the connection open after an answer of status 200, for the "
                             "client's next request (default: close it after every answer).");
    const auto seed = option("seed", "Seed of the drift and of the garbage fault.", "N");
    const auto fault = option("fault", "Misbehave, see Faults above.", "MODE");
    parser.addOptions({help, name, mac, address, httpPort, scanPort, noDiscovery, temperature,
                       humidity, temperatureLimits, humidityLimits, dewPointLimits, noDrift,
                       driftEveryPoll, keepAlive, seed, fault});

    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument '%1'")
                        .arg(parser.positionalArguments().constFirst()));
    if (parser.isSet(help)) {
        result.outcome = SimOptionsResult::Help;
        result.text = parser.helpText();
        return result;
    }

    auto bad = [&](const QCommandLineOption &which) {
        return fail(QStringLiteral("invalid value '%1' for --%2")
                        .arg(parser.value(which), which.names().constLast()));
    };
    if (parser.isSet(name)) {
        o.name = parser.value(name);
        const bool latin1 = QString::fromLatin1(o.name.toLatin1()) == o.name;
        if (o.name.isEmpty() || o.name.size() > SimProtocol::MaxHostNameLength || !latin1)
            return bad(name);
    }
    if (parser.isSet(mac) && (o.mac = parseMac(parser.value(mac))).isEmpty())
        return bad(mac);
    if (parser.isSet(address)) {
        // One specific unicast IPv4 address: never "any", broadcast or multicast.
        const QHostAddress given(parser.value(address));
        if (given.protocol() != QAbstractSocket::IPv4Protocol || given.isNull() ||
            given == QHostAddress(QHostAddress::AnyIPv4) || given.isBroadcast() ||
            given.isMulticast())
            return bad(address);
        o.address = given;
    }
    if (parser.isSet(httpPort) && !parsePort(parser.value(httpPort), &o.httpPort))
        return bad(httpPort);
    if (parser.isSet(scanPort) && !parsePort(parser.value(scanPort), &o.scanPort))
        return bad(scanPort);
    o.discovery = !parser.isSet(noDiscovery);
    if (parser.isSet(temperature) && (!parseNumber(parser.value(temperature), &o.temperature) ||
                                      !SimProtocol::validTemperature(o.temperature)))
        return bad(temperature);
    if (parser.isSet(humidity) && (!parseNumber(parser.value(humidity), &o.humidity) ||
                                   !SimProtocol::validHumidity(o.humidity)))
        return bad(humidity);
    if (parser.isSet(temperatureLimits) &&
        !parseSimLimits(parser.value(temperatureLimits), &o.temperatureLimits))
        return bad(temperatureLimits);
    if (parser.isSet(humidityLimits) &&
        !parseSimLimits(parser.value(humidityLimits), &o.humidityLimits))
        return bad(humidityLimits);
    if (parser.isSet(dewPointLimits) &&
        !parseSimLimits(parser.value(dewPointLimits), &o.dewPointLimits))
        return bad(dewPointLimits);
    o.drift = !parser.isSet(noDrift);
    o.driftEveryPoll = parser.isSet(driftEveryPoll);
    o.keepAlive = parser.isSet(keepAlive);
    if (parser.isSet(seed)) {
        bool ok = false;
        o.seed = parser.value(seed).toUInt(&ok);
        if (!ok)
            return bad(seed);
        o.seedGiven = true;
    }
    if (parser.isSet(fault) && !parseSimFault(parser.value(fault), &o.fault))
        return bad(fault);

    result.outcome = SimOptionsResult::Run;
    return result;
}
