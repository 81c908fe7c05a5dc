#include "CSettings.h"

#include <QCoreApplication>
#include <QSettings>

CSettings *g_settings = nullptr;

const char *const g_enableKeys[8] = {
    "EnableTemperatureHistory", "EnableTemperatureValue", "EnableTemperatureUnit",
    "EnableHumidityHistory",    "EnableHumidityValue",    "EnableHumidityUnit",
    "EnableDewpointValue",      "EnableDewpointUnit",
};

QString deviceGroup(int row, int column)
{
    return QStringLiteral("Device%1%2").arg(row).arg(column);
}

QColor colorFromVariant(const QVariant &value)
{
    if (value.userType() == QMetaType::QColor)
        return value.value<QColor>();
    return QColor(value.toString());
}

int staleAfterFromVariant(const QVariant &value)
{
    bool ok = false;
    const int seconds = value.toString().toInt(&ok);
    return ok && seconds > 0 ? seconds : 0;
}

CSettings::CSettings(QString applicationName)
{
    if (applicationName.isEmpty())
        applicationName = QStringLiteral("brimopanel");
    m_store = new QSettings(QSettings::IniFormat, QSettings::UserScope,
                            QCoreApplication::organizationName(), applicationName);
    clearDevices();
    QSettings &s = *m_store;

    s.beginGroup(QStringLiteral("General"));
    m_frameColor = s.contains(QStringLiteral("FrameColor"))
                       ? colorFromVariant(s.value(QStringLiteral("FrameColor")))
                       : QColor(Qt::black);
    // Read only: save() never clears this group, so whatever the user wrote here is kept.
    m_showNames = s.value(QStringLiteral("ShowNames"), false).toBool();
    m_showHistory = s.value(QStringLiteral("ShowHistory"), false).toBool();
    m_staleAfter = staleAfterFromVariant(s.value(QStringLiteral("StaleAfter")));
    s.endGroup();

    s.beginGroup(QStringLiteral("Refresh"));
    m_refreshValue =
        s.contains(QStringLiteral("Value")) ? s.value(QStringLiteral("Value")).toInt() : 10;
    m_refreshHistory =
        s.contains(QStringLiteral("History")) ? s.value(QStringLiteral("History")).toInt() : 10;
    s.endGroup();

    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            s.beginGroup(deviceGroup(r, c));
            if (s.contains(QStringLiteral("Host"))) {
                m_host[r][c] = s.value(QStringLiteral("Host")).toString();
                DisplaySize &size = m_displaySizes[r][c];
                size.history = s.value(QStringLiteral("DisplaySizeHistory")).toInt();
                size.value = s.value(QStringLiteral("DisplaySizeValue")).toInt();
                size.unit = s.value(QStringLiteral("DisplaySizeUnit")).toInt();
                quint8 flags = 0;
                for (int bit = 0; bit < 8; ++bit) {
                    if (s.value(QLatin1String(g_enableKeys[bit])).toBool())
                        flags |= quint8(1u << bit);
                }
                m_enableFlags[r][c] = flags;
                CColorSettings &colors = m_colors[r][c];
                for (const CColorKey &entry : g_colorKeys)
                    colors.*entry.member = colorFromVariant(s.value(QLatin1String(entry.key)));
            }
            s.endGroup();
        }
    }

    s.beginGroup(QStringLiteral("Scan"));
    m_scanAddress = s.contains(QStringLiteral("IP")) ? s.value(QStringLiteral("IP")).toString()
                                                     : QStringLiteral("255.255.255.255");
    // Only the low 16 bits make a port: 65536 is port 0.
    m_scanPort = s.contains(QStringLiteral("Port"))
                     ? quint16(s.value(QStringLiteral("Port")).toInt())
                     : quint16(9806);
    s.endGroup();

    s.beginGroup(QStringLiteral("Sort"));
    m_sortColumn = s.value(QStringLiteral("Column"), 0).toInt();
    m_sortDescending = s.value(QStringLiteral("Descending"), 0).toInt();
    s.endGroup();
}

CSettings::~CSettings()
{
    delete m_store;
}

void CSettings::clearDevices()
{
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            m_host[r][c].clear();
            m_enableFlags[r][c] = 0;
        }
    }
}

void CSettings::save()
{
    QSettings &s = *m_store;

    s.beginGroup(QStringLiteral("General"));
    s.setValue(QStringLiteral("FrameColor"), m_frameColor.name());
    s.endGroup();

    s.beginGroup(QStringLiteral("Refresh"));
    s.setValue(QStringLiteral("Value"), m_refreshValue);
    s.setValue(QStringLiteral("History"), m_refreshHistory);
    s.endGroup();

    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            if (m_host[r][c].isEmpty()) {
                s.remove(deviceGroup(r, c));
                continue;
            }
            s.beginGroup(deviceGroup(r, c));
            s.setValue(QStringLiteral("Host"), m_host[r][c]);
            s.setValue(QStringLiteral("DisplaySizeHistory"), m_displaySizes[r][c].history);
            s.setValue(QStringLiteral("DisplaySizeValue"), m_displaySizes[r][c].value);
            s.setValue(QStringLiteral("DisplaySizeUnit"), m_displaySizes[r][c].unit);
            for (int bit = 0; bit < 8; ++bit)
                s.setValue(QLatin1String(g_enableKeys[bit]),
                           bool(m_enableFlags[r][c] & (1u << bit)));
            const CColorSettings &colors = m_colors[r][c];
            for (const CColorKey &entry : g_colorKeys)
                s.setValue(QLatin1String(entry.key), (colors.*entry.member).name());
            s.endGroup();
        }
    }

    s.sync();
}
