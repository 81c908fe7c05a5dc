#pragma once

#include "CSettings.h"
#include "TestSupport.h"

#include <QColor>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopedPointer>
#include <QStringList>
#include <QTemporaryDir>

namespace TestSupport {

// Where the panel keeps its settings file under a config directory (XDG_CONFIG_HOME on Linux).
inline QString settingsFileIn(const QString &configDir)
{
    return configDir + QStringLiteral("/Tovald GmbH/brimopanel.ini");
}

// The key names of the settings file, written out: they are shared with every file the panel has
// ever saved, so a test that took them from the program's own tables could not notice a rename.
inline QStringList storedEnableKeys() // bit order, 0x01 first
{
    return {"EnableTemperatureHistory", "EnableTemperatureValue", "EnableTemperatureUnit",
            "EnableHumidityHistory",    "EnableHumidityValue",    "EnableHumidityUnit",
            "EnableDewpointValue",      "EnableDewpointUnit"};
}

inline QStringList storedColorKeys() // the 48 in load order
{
    QStringList keys;
    for (const char *label :
         {"TemperatureHistory", "TemperatureValue", "TemperatureUnit", "HumidityHistory",
          "HumidityValue", "HumidityUnit", "DewpointValue", "DewpointUnit"})
        for (const char *level : {"Normal", "Warning", "Critical"})
            for (const char *layer : {"Foreground", "Background"})
                keys << QLatin1String(label) + level + layer;
    return keys;
}

// The colour stored under key in a scheme; invalid when the program knows no such key.
inline QColor storedColor(const CColorSettings &scheme, const QString &key)
{
    for (const CColorKey &entry : g_colorKeys) {
        if (key == QLatin1String(entry.key))
            return scheme.*entry.member;
    }
    return QColor();
}

// Gives each of the 48 colours of a scheme its own value, and each seed its own set, so a label
// or button showing the wrong key is caught.
inline void paintDistinctColors(CColorSettings &scheme, int seed)
{
    int i = 0;
    for (const CColorKey &entry : g_colorKeys)
        scheme.*entry.member = QColor(seed, i++, 128);
}

// One slot's colours in the settings file: per level, a foreground and a background colour for
// every label.
struct SlotColors
{
    QColor normalFore, normalBack, warningFore, warningBack, criticalFore, criticalBack;
};

// A settings file as text, the way QSettings writes it (the group General under the name
// [%General]).
inline QByteArray generalGroup(const QColor &frame)
{
    return "[%General]\nFrameColor=" + frame.name().toLatin1() + "\n\n";
}

// The group of slot (row, column): the host (none when empty), sizes, the enable keys of the bits
// and all 48 colours.
inline QByteArray slotGroup(int row, int column, const QString &host, const SlotColors &colors,
                            quint8 enableBits = 0xff, const DisplaySize &sizes = DisplaySize())
{
    QByteArray text = QStringLiteral("[Device%1%2]\n").arg(row).arg(column).toLatin1();
    if (!host.isEmpty())
        text += "Host=" + host.toUtf8() + "\n";
    text += "DisplaySizeHistory=" + QByteArray::number(sizes.history) +
            "\nDisplaySizeValue=" + QByteArray::number(sizes.value) +
            "\nDisplaySizeUnit=" + QByteArray::number(sizes.unit) + "\n";
    const QStringList enableKeys = storedEnableKeys();
    for (int bit = 0; bit < 8; ++bit)
        text += enableKeys[bit].toLatin1() + (enableBits & (1u << bit) ? "=true\n" : "=false\n");
    for (const QString &key : storedColorKeys()) {
        const bool fore = key.endsWith(QLatin1String("Foreground"));
        const QColor &color = key.contains(QLatin1String("Critical"))
                                  ? (fore ? colors.criticalFore : colors.criticalBack)
                              : key.contains(QLatin1String("Warning"))
                                  ? (fore ? colors.warningFore : colors.warningBack)
                                  : (fore ? colors.normalFore : colors.normalBack);
        text += key.toLatin1() + "=" + color.name().toLatin1() + "\n";
    }
    return text + "\n";
}

// Writes a settings file. QSettings caches parsed files by size and time stamp, so every write
// gets a time stamp of its own.
inline bool writeSettingsFile(const QString &path, const QByteArray &text)
{
    static int rewrite = 0;
    QFile file(path);
    if (!QDir().mkpath(QFileInfo(path).path()) || !file.open(QIODevice::WriteOnly) ||
        file.write(text) != text.size())
        return false;
    file.close();
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(QDateTime::currentDateTime().addSecs(++rewrite),
                            QFileDevice::FileModificationTime);
}

} // namespace TestSupport

// The settings every test of a part of the program starts from: the program's organisation name, a
// throwaway config directory (so no test touches the machine's real settings) and, unless asked
// not to, a fresh g_settings read from it; deletes g_settings again when it goes. Failed
// connections fail the test meanwhile (ConnectCheck), so make it after any message handler of the
// test's own.
class SettingsFixture
{
public:
    explicit SettingsFixture(bool makeGlobal = true) : m_config(TestSupport::useThrowawayConfig())
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Tovald GmbH"));
        if (makeGlobal)
            reload();
    }
    ~SettingsFixture()
    {
        delete g_settings;
        g_settings = nullptr;
    }

    QString configPath() const { return m_config->path(); }
    QString iniPath() const { return TestSupport::settingsFileIn(m_config->path()); }

    // g_settings afresh from the file.
    CSettings *reload()
    {
        delete g_settings;
        g_settings = new CSettings(QString());
        return g_settings;
    }

    // Replaces the file; the next CSettings (or reload()) reads it.
    bool write(const QByteArray &text) const
    {
        return TestSupport::writeSettingsFile(iniPath(), text);
    }

    // The file as the panel saved it; on Windows QSettings ends its lines with CR LF.
    QByteArray read() const
    {
        QFile file(iniPath());
        QByteArray text = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
#ifdef Q_OS_WIN
        text.replace("\r\n", "\n");
#endif
        return text;
    }

private:
    Q_DISABLE_COPY(SettingsFixture)
    TestSupport::ConnectCheck m_connectCheck;
    QScopedPointer<QTemporaryDir> m_config;
};
