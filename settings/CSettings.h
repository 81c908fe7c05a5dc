#pragma once

#include "CColorSettings.h"
#include "IniGuard.h"
#include "WallKeys.h"

#include <QColor>
#include <QString>

class QSettings;
class QVariant;

// Label size weights of one slot: the stretch factors of a tile's history, value and unit columns.
struct DisplaySize
{
    int history = 1;
    int value = 3;
    int unit = 1;
};

// The one record of everything the panel keeps between runs. Plain data: the other parts read and
// change the members directly; only the setup dialog's apply step writes the file, through save().
class CSettings
{
public:
    explicit CSettings(QString applicationName);
    virtual ~CSettings();

    void save();
    void clearDevices();

    QString m_scanAddress;
    quint16 m_scanPort = 9806;
    int m_sortColumn = 0;
    int m_sortDescending = 0;
    int m_refreshValue = 10;
    int m_refreshHistory = 10;
    QString m_host[3][3];
    DisplaySize m_displaySizes[3][3];
    quint8 m_enableFlags[3][3] = {};
    QColor m_frameColor;
    // Opt-in extras of the tiles, keys of "General" that only the user writes: the device's name
    // as a caption, and the course of temperature and humidity in the history column.
    bool m_showNames = false;
    bool m_showHistory = false;
    CColorSettings m_colors[3][3];
    // "General/StaleAfter": seconds without readings after which a tile shows its values as "--";
    // 0 = never. Read only: the file keeps it because save() never clears "General".
    int m_staleAfter = 0;
    // A panel on a public wall, keys of "General" that only the user writes. m_setupPin: the PIN
    // that setup and quitting ask for; empty: they ask nothing. m_sleepAfter: seconds without
    // input after which the screen goes dark, 0 = never; m_sleepBetween: dark in that daily
    // window; m_wakeOnCritical: a Critical sensor keeps it lit. The commands run when it goes dark
    // and when it wakes.
    QString m_setupPin;
    int m_sleepAfter = 0;
    SleepWindow m_sleepBetween;
    bool m_wakeOnCritical = true;
    QString m_sleepCommand;
    QString m_wakeCommand;
    // The settings file; or, while the file holds values that cannot be read safely (see
    // withoutUnsafeValues()), a copy of it without them beside it, until save() replaces the file.
    QSettings *m_store = nullptr;

private:
    void loadWallKeys(QSettings &s);

    QSettings *m_userStore = nullptr; // the file's store while m_store is the copy
    Q_DISABLE_COPY(CSettings)
};

// The bits of m_enableFlags, one per label, and their keys in the same order.
enum EnableBit : quint8
{
    EnableTemperatureHistory = 0x01,
    EnableTemperatureValue = 0x02,
    EnableTemperatureUnit = 0x04,
    EnableHumidityHistory = 0x08,
    EnableHumidityValue = 0x10,
    EnableHumidityUnit = 0x20,
    EnableDewpointValue = 0x40,
    EnableDewpointUnit = 0x80,
};
extern const char *const g_enableKeys[8];

// "Device%1%2": the settings group of slot (row, column).
QString deviceGroup(int row, int column);

// A stored colour: a value that already is a colour is taken as it is, anything else is parsed as a
// colour name; what does not parse gives an invalid colour.
QColor colorFromVariant(const QVariant &value);

// A stored "StaleAfter": a whole positive number of seconds; anything else switches marking off
// (0).
int staleAfterFromVariant(const QVariant &value);

extern CSettings *g_settings;
