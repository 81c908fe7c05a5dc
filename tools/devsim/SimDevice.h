#pragma once

#include "SimOptions.h"

#include <QObject>
#include <QRandomGenerator>

class QTimer;

// The device's readings: set at start and by /sim/set, drifting once a second unless told not to.
class SimDevice : public QObject
{
    Q_OBJECT

public:
    explicit SimDevice(const SimOptions &options, QObject *parent = nullptr);

    double temperature() const { return m_temperature; }
    double humidity() const { return m_humidity; }
    const SimOptions &options() const { return m_options; }

    // Sets the readings at once; the drift then wanders around the new values.
    void setTemperature(double temperature);
    void setHumidity(double humidity);

    QByteArray document() const;
    QByteArray randomBytes(int size);

    // --drift-every-poll: one step of a walk across the drift bands, both readings the same way,
    // so that the dew point moves with them and all three value texts change.
    void stepForPoll();

public slots:
    void drift();

private:
    SimOptions m_options;
    QRandomGenerator m_random;
    double m_temperature;
    double m_humidity;
    double m_temperatureCentre;
    double m_humidityCentre;
    int m_phase = 0; // -PollPhases..PollPhases
    int m_phaseStep = 1;
};
