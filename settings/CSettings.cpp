#include "CSettings.h"

#include "AtomicFile.h"
#include "SettingsFile.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
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

// The keys of a panel on a public wall, in the current group of `s`. A value the panel cannot use
// is said once on the warning stream; the PIN itself never is.
void CSettings::loadWallKeys(QSettings &s)
{
    if (s.contains(QStringLiteral("SetupPin"))) {
        m_setupPin = setupPinFromText(s.value(QStringLiteral("SetupPin")).toString());
        if (m_setupPin.isEmpty())
            qWarning("SetupPin is not %d to %d digits: setup and quitting stay unlocked",
                     SetupPinMinDigits, SetupPinMaxDigits);
    }
    m_sleepAfter = staleAfterFromVariant(s.value(QStringLiteral("SleepAfter")));
    if (s.contains(QStringLiteral("SleepBetween"))) {
        const QString text = s.value(QStringLiteral("SleepBetween")).toString();
        m_sleepBetween = sleepWindowFromText(text);
        if (!m_sleepBetween.isValid())
            qWarning().noquote() << QStringLiteral("SleepBetween \"%1\" is not HH:MM-HH:MM: "
                                                   "no dark hours")
                                        .arg(text);
    }
    m_wakeOnCritical = s.value(QStringLiteral("WakeOnCritical"), true).toBool();
    m_sleepCommand = commandFromVariant(s.value(QStringLiteral("SleepCommand")));
    m_wakeCommand = commandFromVariant(s.value(QStringLiteral("WakeCommand")));
}

CSettings::CSettings(QString applicationName)
{
    if (applicationName.isEmpty())
        applicationName = QStringLiteral("brimopanel");
    const auto open = [&applicationName] {
        return new QSettings(QSettings::IniFormat, QSettings::UserScope,
                             QCoreApplication::organizationName(), applicationName);
    };
    m_store = open();
    const QString path = m_store->fileName();
    // After an interrupted save the file is read again as recovered.
    if (SettingsFile::recover(path)) {
        delete m_store;
        m_store = open();
    }
    clearDevices();

    // QSettings splits the file into its groups when it opens it, and decodes all values of a group
    // when first asked for one of them (all of the file when it saves). A file holding values that
    // cannot be decoded safely is read through a copy without them beside it; the store of the
    // file itself is asked for nothing until save() replaces the file.
    const QString cleanPath = SettingsFile::cleanPath(path);
    QFile file(path);
    int refused = 0;
    const QByteArray clean = file.open(QIODevice::ReadOnly)
                                 ? withoutUnsafeValues(file.readAll(), &refused)
                                 : QByteArray();
    // A copy of an earlier run is never read.
    if (refused == 0 || !writeFileAtomically(cleanPath, clean))
        QFile::remove(cleanPath);
    if (refused > 0) {
        qWarning().noquote() << QStringLiteral(
                                    "Settings file %1: %2 value(s) cannot be read safely and "
                                    "are ignored; the next save keeps the file as %3")
                                    .arg(path)
                                    .arg(refused)
                                    .arg(SettingsFile::badPath(path));
        m_userStore = m_store;
        // Without room for the copy nothing of the file is read.
        m_store = new QSettings(cleanPath, QSettings::IniFormat);
    }
    QSettings &s = *m_store;

    s.beginGroup(QStringLiteral("General"));
    m_frameColor = s.contains(QStringLiteral("FrameColor"))
                       ? colorFromVariant(s.value(QStringLiteral("FrameColor")))
                       : QColor(Qt::black);
    // Read only: save() never clears this group, so whatever the user wrote here is kept.
    m_showNames = s.value(QStringLiteral("ShowNames"), false).toBool();
    m_showHistory = s.value(QStringLiteral("ShowHistory"), false).toBool();
    m_staleAfter = staleAfterFromVariant(s.value(QStringLiteral("StaleAfter")));
    loadWallKeys(s);
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
    if (m_userStore)
        QFile::remove(SettingsFile::cleanPath(m_userStore->fileName()));
    delete m_userStore;
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
    if (m_userStore) {
        // Keep the user's file as .bad and put its text without the refused values in its place,
        // atomically, so that a file with all of the user's settings is on the disk at every
        // moment; then the file's own store, which reads it again, takes what was changed through
        // the copy.
        const QString path = m_userStore->fileName();
        if (!SettingsFile::guard(path))
            return;
        m_userStore->sync();
        const QStringList keys = m_store->allKeys();
        for (const QString &key : keys)
            m_userStore->setValue(key, m_store->value(key));
        delete m_store;
        QFile::remove(SettingsFile::cleanPath(path));
        m_store = m_userStore;
        m_userStore = nullptr;
    }
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

    SettingsFile::syncChecked(s);
}
