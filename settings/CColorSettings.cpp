#include "CColorSettings.h"

#include <QDebug>

const std::array<CColorKey, 48> g_colorKeys = {{
    {"TemperatureHistoryNormalForeground", &CColorSettings::m_temperatureHistoryNormalForeground},
    {"TemperatureHistoryNormalBackground", &CColorSettings::m_temperatureHistoryNormalBackground},
    {"TemperatureHistoryWarningForeground", &CColorSettings::m_temperatureHistoryWarningForeground},
    {"TemperatureHistoryWarningBackground", &CColorSettings::m_temperatureHistoryWarningBackground},
    {"TemperatureHistoryCriticalForeground",
     &CColorSettings::m_temperatureHistoryCriticalForeground},
    {"TemperatureHistoryCriticalBackground",
     &CColorSettings::m_temperatureHistoryCriticalBackground},
    {"TemperatureValueNormalForeground", &CColorSettings::m_temperatureValueNormalForeground},
    {"TemperatureValueNormalBackground", &CColorSettings::m_temperatureValueNormalBackground},
    {"TemperatureValueWarningForeground", &CColorSettings::m_temperatureValueWarningForeground},
    {"TemperatureValueWarningBackground", &CColorSettings::m_temperatureValueWarningBackground},
    {"TemperatureValueCriticalForeground", &CColorSettings::m_temperatureValueCriticalForeground},
    {"TemperatureValueCriticalBackground", &CColorSettings::m_temperatureValueCriticalBackground},
    {"TemperatureUnitNormalForeground", &CColorSettings::m_temperatureUnitNormalForeground},
    {"TemperatureUnitNormalBackground", &CColorSettings::m_temperatureUnitNormalBackground},
    {"TemperatureUnitWarningForeground", &CColorSettings::m_temperatureUnitWarningForeground},
    {"TemperatureUnitWarningBackground", &CColorSettings::m_temperatureUnitWarningBackground},
    {"TemperatureUnitCriticalForeground", &CColorSettings::m_temperatureUnitCriticalForeground},
    {"TemperatureUnitCriticalBackground", &CColorSettings::m_temperatureUnitCriticalBackground},
    {"HumidityHistoryNormalForeground", &CColorSettings::m_humidityHistoryNormalForeground},
    {"HumidityHistoryNormalBackground", &CColorSettings::m_humidityHistoryNormalBackground},
    {"HumidityHistoryWarningForeground", &CColorSettings::m_humidityHistoryWarningForeground},
    {"HumidityHistoryWarningBackground", &CColorSettings::m_humidityHistoryWarningBackground},
    {"HumidityHistoryCriticalForeground", &CColorSettings::m_humidityHistoryCriticalForeground},
    {"HumidityHistoryCriticalBackground", &CColorSettings::m_humidityHistoryCriticalBackground},
    {"HumidityValueNormalForeground", &CColorSettings::m_humidityValueNormalForeground},
    {"HumidityValueNormalBackground", &CColorSettings::m_humidityValueNormalBackground},
    {"HumidityValueWarningForeground", &CColorSettings::m_humidityValueWarningForeground},
    {"HumidityValueWarningBackground", &CColorSettings::m_humidityValueWarningBackground},
    {"HumidityValueCriticalForeground", &CColorSettings::m_humidityValueCriticalForeground},
    {"HumidityValueCriticalBackground", &CColorSettings::m_humidityValueCriticalBackground},
    {"HumidityUnitNormalForeground", &CColorSettings::m_humidityUnitNormalForeground},
    {"HumidityUnitNormalBackground", &CColorSettings::m_humidityUnitNormalBackground},
    {"HumidityUnitWarningForeground", &CColorSettings::m_humidityUnitWarningForeground},
    {"HumidityUnitWarningBackground", &CColorSettings::m_humidityUnitWarningBackground},
    {"HumidityUnitCriticalForeground", &CColorSettings::m_humidityUnitCriticalForeground},
    {"HumidityUnitCriticalBackground", &CColorSettings::m_humidityUnitCriticalBackground},
    {"DewpointValueNormalForeground", &CColorSettings::m_dewpointValueNormalForeground},
    {"DewpointValueNormalBackground", &CColorSettings::m_dewpointValueNormalBackground},
    {"DewpointValueWarningForeground", &CColorSettings::m_dewpointValueWarningForeground},
    {"DewpointValueWarningBackground", &CColorSettings::m_dewpointValueWarningBackground},
    {"DewpointValueCriticalForeground", &CColorSettings::m_dewpointValueCriticalForeground},
    {"DewpointValueCriticalBackground", &CColorSettings::m_dewpointValueCriticalBackground},
    {"DewpointUnitNormalForeground", &CColorSettings::m_dewpointUnitNormalForeground},
    {"DewpointUnitNormalBackground", &CColorSettings::m_dewpointUnitNormalBackground},
    {"DewpointUnitWarningForeground", &CColorSettings::m_dewpointUnitWarningForeground},
    {"DewpointUnitWarningBackground", &CColorSettings::m_dewpointUnitWarningBackground},
    {"DewpointUnitCriticalForeground", &CColorSettings::m_dewpointUnitCriticalForeground},
    {"DewpointUnitCriticalBackground", &CColorSettings::m_dewpointUnitCriticalBackground},
}};

QColor CColorSettings::*colorMember(const QString &key)
{
    for (const CColorKey &entry : g_colorKeys) {
        if (key == QLatin1String(entry.key))
            return entry.member;
    }
    return nullptr;
}

CColorSettings::CColorSettings()
{
    for (const CColorKey &entry : g_colorKeys) {
        const QLatin1String key(entry.key);
        if (key.endsWith(QLatin1String("Background")))
            this->*entry.member = QColor(Qt::black);
        else if (key.endsWith(QLatin1String("CriticalForeground")))
            this->*entry.member = QColor(Qt::red);
        else
            this->*entry.member = QColor(Qt::white);
    }
    qDebug() << "init" << m_temperatureHistoryNormalForeground;
}

CColorSettings::~CColorSettings() = default;
