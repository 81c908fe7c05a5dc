#pragma once

#include "CSettings.h"

#include <QString>

// A whole settings record stamped with one number k in every value that save() writes, so that a
// file read back can be checked to hold one complete version and not a mix or a torn half.
namespace SettingsVersion {

inline QString hostText(int k, int row, int column)
{
    return QStringLiteral("v%1 [10.0.%2.%3]").arg(k).arg(row).arg(column);
}

inline QColor color(int k)
{
    return QColor::fromRgb(QRgb(k) & 0xffffff);
}

// inUse: how many slots, from (0, 0) on, are in use; the others are free.
inline void stamp(CSettings &settings, int k, int inUse = 9)
{
    settings.m_frameColor = color(k);
    settings.m_refreshValue = k;
    settings.m_refreshHistory = k;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            settings.m_host[r][c] = 3 * r + c < inUse ? hostText(k, r, c) : QString();
            settings.m_displaySizes[r][c] = {k, k, k};
            settings.m_enableFlags[r][c] = quint8(k);
            for (const CColorKey &entry : g_colorKeys)
                settings.m_colors[r][c].*entry.member = color(k);
        }
    }
}

// The version a record holds, or -1 when its values do not all belong to one version.
inline int versionOf(const CSettings &settings, int inUse = 9)
{
    const int k = settings.m_refreshValue;
    if (settings.m_refreshHistory != k || settings.m_frameColor != color(k))
        return -1;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            if (3 * r + c >= inUse) {
                if (!settings.m_host[r][c].isEmpty())
                    return -1;
                continue;
            }
            const DisplaySize &size = settings.m_displaySizes[r][c];
            if (settings.m_host[r][c] != hostText(k, r, c) || size.history != k ||
                size.value != k || size.unit != k || settings.m_enableFlags[r][c] != quint8(k))
                return -1;
            for (const CColorKey &entry : g_colorKeys) {
                if (settings.m_colors[r][c].*entry.member != color(k))
                    return -1;
            }
        }
    }
    return k;
}

} // namespace SettingsVersion
