#pragma once

#include <QColor>
#include <array>

// The colour scheme of one panel slot: a foreground and a background colour for every label kind
// (history, value, unit of each quantity; the dew point has no history) at each status level.
class CColorSettings
{
public:
    CColorSettings();
    virtual ~CColorSettings();

    // In load order: quantity, element, level (Normal, Warning, Critical), layer (Fore, Back).
    QColor m_temperatureHistoryNormalForeground, m_temperatureHistoryNormalBackground,
        m_temperatureHistoryWarningForeground, m_temperatureHistoryWarningBackground,
        m_temperatureHistoryCriticalForeground, m_temperatureHistoryCriticalBackground;
    QColor m_temperatureValueNormalForeground, m_temperatureValueNormalBackground,
        m_temperatureValueWarningForeground, m_temperatureValueWarningBackground,
        m_temperatureValueCriticalForeground, m_temperatureValueCriticalBackground;
    QColor m_temperatureUnitNormalForeground, m_temperatureUnitNormalBackground,
        m_temperatureUnitWarningForeground, m_temperatureUnitWarningBackground,
        m_temperatureUnitCriticalForeground, m_temperatureUnitCriticalBackground;
    QColor m_humidityHistoryNormalForeground, m_humidityHistoryNormalBackground,
        m_humidityHistoryWarningForeground, m_humidityHistoryWarningBackground,
        m_humidityHistoryCriticalForeground, m_humidityHistoryCriticalBackground;
    QColor m_humidityValueNormalForeground, m_humidityValueNormalBackground,
        m_humidityValueWarningForeground, m_humidityValueWarningBackground,
        m_humidityValueCriticalForeground, m_humidityValueCriticalBackground;
    QColor m_humidityUnitNormalForeground, m_humidityUnitNormalBackground,
        m_humidityUnitWarningForeground, m_humidityUnitWarningBackground,
        m_humidityUnitCriticalForeground, m_humidityUnitCriticalBackground;
    QColor m_dewpointValueNormalForeground, m_dewpointValueNormalBackground,
        m_dewpointValueWarningForeground, m_dewpointValueWarningBackground,
        m_dewpointValueCriticalForeground, m_dewpointValueCriticalBackground;
    QColor m_dewpointUnitNormalForeground, m_dewpointUnitNormalBackground,
        m_dewpointUnitWarningForeground, m_dewpointUnitWarningBackground,
        m_dewpointUnitCriticalForeground, m_dewpointUnitCriticalBackground;
};

// The one table of the 48 colours: settings key and member, in load order. Loading, saving, the
// defaults and the colour dialog all walk it instead of naming the members one by one.
struct CColorKey
{
    const char *key;
    QColor CColorSettings::*member;
};

extern const std::array<CColorKey, 48> g_colorKeys;

// The member stored under key, or nullptr for a key the table does not hold.
QColor CColorSettings::*colorMember(const QString &key);
