#include "SimDevice.h"

#include "SimProtocol.h"

#include <QTimer>

#include <algorithm>

namespace {
// Half-widths of the drift bands and the largest step per second.
const double TemperatureBand = 1.5;
const double TemperatureStep = 0.1;
const double HumidityBand = 4.0;
const double HumidityStep = 0.3;
// The walk of --drift-every-poll: phases from -5 to 5 span the bands.
const int PollPhases = 5;
} // namespace

SimDevice::SimDevice(const SimOptions &options, QObject *parent)
    : QObject(parent), m_options(options),
      m_random(options.seedGiven ? options.seed : QRandomGenerator::global()->generate()),
      m_temperature(options.temperature), m_humidity(options.humidity),
      m_temperatureCentre(options.temperature), m_humidityCentre(options.humidity)
{
    if (m_options.drift && !m_options.driftEveryPoll) {
        auto *timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, &SimDevice::drift);
        timer->start(1000);
    }
}

void SimDevice::setTemperature(double temperature)
{
    m_temperature = m_temperatureCentre = temperature;
}

void SimDevice::setHumidity(double humidity)
{
    m_humidity = m_humidityCentre = humidity;
}

QByteArray SimDevice::document() const
{
    return SimProtocol::panelDocument(m_temperature, m_humidity, m_options);
}

QByteArray SimDevice::randomBytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = char(m_random.bounded(256));
    return bytes;
}

void SimDevice::drift()
{
    auto noise = [this] {
        return m_random.bounded(2.0) - 1.0;
    };
    m_temperature = SimProtocol::drifted(m_temperature, m_temperatureCentre, TemperatureBand,
                                         TemperatureStep, noise());
    m_humidity = std::clamp(
        SimProtocol::drifted(m_humidity, m_humidityCentre, HumidityBand, HumidityStep, noise()),
        0.0, 100.0);
}

void SimDevice::stepForPoll()
{
    if (m_phase + m_phaseStep > PollPhases || m_phase + m_phaseStep < -PollPhases)
        m_phaseStep = -m_phaseStep;
    m_phase += m_phaseStep;
    const double position = double(m_phase) / PollPhases;
    m_temperature = m_temperatureCentre + position * TemperatureBand;
    // A centre near 0 % or 100 % moves inwards, so that no step is lost to clamping.
    m_humidity =
        std::clamp(m_humidityCentre, HumidityBand, 100.0 - HumidityBand) + position * HumidityBand;
}
