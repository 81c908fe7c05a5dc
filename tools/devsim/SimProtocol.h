#pragma once

#include "SimOptions.h"

#include <QByteArray>
#include <QHostAddress>
#include <QString>

// The wire formats of a simulated device, as pure functions.
namespace SimProtocol {

constexpr int DatagramSize = 128;
constexpr int MaxHostNameLength = 99;

// Dew point in degC from temperature (degC) and relative humidity (%), Magnus formula with the
// coefficients of Sonntag (a = 17.62, b = 243.12 degC). Humidity below 0.1 % counts as 0.1 %.
double dewPoint(double temperature, double humidity);

// Readings the simulator accepts: -60..100 degC, 0..100 % rF.
bool validTemperature(double temperature);
bool validHumidity(double humidity);

// One decimal, never "-0.0".
QString formatValue(double value);

// "2" when the value as shown (one decimal) lies outside the limits, else "0".
QString sensorStatus(double value, const SimLimits &limits);

// The document the panel reads: {"sensor":[temperature, humidity, dew point]}.
QByteArray panelDocument(double temperature, double humidity, const SimOptions &options);

// Documents with the wrong JSON types in them; variant is taken modulo wrongTypesVariantCount().
int wrongTypesVariantCount();
QByteArray wrongTypesDocument(int variant);

// A valid document padded to about `size` bytes by a long string member ahead of "sensor".
QByteArray hugeDocument(const QByteArray &document, int size);

// Drift of one reading: a step of up to `step` (noise in [-1, 1]) with a gentle pull back to the
// centre, kept within centre +- halfRange.
double drifted(double value, double centre, double halfRange, double step, double noise);

// Discovery: is this a request (128 bytes, message type 0)?
bool isDiscoveryRequest(const QByteArray &datagram);
QByteArray announcement(const QByteArray &mac, const QHostAddress &address, const QString &name);

struct HttpRequest
{
    bool valid = false;
    QByteArray method;
    QByteArray path;
    QByteArray query; // without '?'
};

// Parses the request line of a complete request head (up to the empty line).
HttpRequest parseRequestHead(const QByteArray &head);
bool isPanelDocumentRequest(const HttpRequest &request);

// /sim/set?temperature=X&humidity=Y&fault=MODE: any of them; false with a reason on anything else.
struct SetRequest
{
    bool hasTemperature = false;
    bool hasHumidity = false;
    bool hasFault = false;
    double temperature = 0;
    double humidity = 0;
    SimFault fault;
};
bool parseSetQuery(const QByteArray &query, SetRequest *set, QString *error);

QByteArray reasonPhrase(int code);
QByteArray httpResponse(int code, const QByteArray &contentType, const QByteArray &body,
                        bool keepAlive = false);

} // namespace SimProtocol
