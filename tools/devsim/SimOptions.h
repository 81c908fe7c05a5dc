#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QStringList>

// A sensor reads critical ("2") outside [low, high].
struct SimLimits
{
    double low;
    double high;
};

// How the simulator misbehaves towards the panel's document request.
struct SimFault
{
    enum Kind
    {
        None,
        Slow,
        Hang,
        Garbage,
        NonJson,
        WrongTypes,
        Huge,
        Reset,
        HttpError
    };
    Kind kind = None;
    int parameter =
        -1; // Slow: delay in ms; HttpError: status code; WrongTypes: fixed variant or -1
};

struct SimOptions
{
    QString name = QStringLiteral("brimo-sim");
    QByteArray mac = QByteArray::fromHex("020000000001");
    QHostAddress address = QHostAddress(QStringLiteral("127.0.0.1"));
    quint16 httpPort = 80;
    quint16 scanPort = 9806;
    bool discovery = true;
    double temperature = 21.5;
    double humidity = 45.0;
    SimLimits temperatureLimits{15.0, 28.0};
    SimLimits humidityLimits{30.0, 60.0};
    SimLimits dewPointLimits{0.0, 15.0};
    bool drift = true;
    bool driftEveryPoll = false;
    bool keepAlive = false;
    bool seedGiven = false;
    quint32 seed = 0;
    SimFault fault;
};

struct SimOptionsResult
{
    enum Outcome
    {
        Run,
        Help,
        Error
    };
    Outcome outcome = Error;
    SimOptions options;
    QString text; // Help: the help text; Error: a one-line message
};

// Parses the command line (arguments[0] is the program). Never exits the process.
SimOptionsResult parseSimOptions(const QStringList &arguments);

bool parseSimFault(const QString &text, SimFault *fault);
bool parseSimLimits(const QString &text, SimLimits *limits);
QByteArray parseMac(const QString &text); // six bytes, or empty when malformed
