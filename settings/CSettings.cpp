#include "CSettings.h"

#include "QtCompat.h"

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

namespace {

// The character a simple escape stands for, or -1.
int simpleEscape(char ch)
{
    switch (ch) {
    case 'a':
        return '\a';
    case 'b':
        return '\b';
    case 'f':
        return '\f';
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    case 'v':
        return '\v';
    case '"':
    case '?':
    case '\'':
    case '\\':
        return ch;
    default:
        return -1;
    }
}

int digitValue(char ch, int base)
{
    int value = -1;
    if (ch >= '0' && ch <= '9')
        value = ch - '0';
    else if (ch >= 'a' && ch <= 'f')
        value = ch - 'a' + 10;
    else if (ch >= 'A' && ch <= 'F')
        value = ch - 'A' + 10;
    return value < base ? value : -1;
}

// Watches the unescaped characters of a whole file for "@Variant(" where a value can begin.
class TypedValueMatcher
{
public:
    bool feed(ushort ch)
    {
        static const char pattern[] = "@Variant(";
        if (ch == '@') {
            m_matched = 1;
            m_atValueStart = m_lastNonBlank == '=' || m_lastNonBlank == ',';
        } else if (m_matched > 0 && ch == uchar(pattern[m_matched])) {
            ++m_matched;
        } else {
            m_matched = 0;
        }
        if (ch != ' ' && ch != '\t')
            m_lastNonBlank = ch;
        if (m_matched < int(sizeof pattern) - 1)
            return false;
        m_matched = 0;
        return m_atValueStart;
    }

private:
    int m_matched = 0;
    bool m_atValueStart = false;
    ushort m_lastNonBlank = '\n';
};

} // namespace

bool holdsTypedValue(const QByteArray &iniText)
{
    TypedValueMatcher matcher;
    const int size = iniText.size();
    int i = 0;
    while (i < size) {
        char ch = iniText.at(i++);
        if (ch == '"')
            continue; // quotes only delimit
        if (ch != '\\') {
            if (matcher.feed(uchar(ch)))
                return true;
            continue;
        }
        if (i == size)
            break;
        ch = iniText.at(i++);
        const int simple = simpleEscape(ch);
        if (simple >= 0) {
            if (matcher.feed(ushort(simple)))
                return true;
        } else if (ch == 'x' || digitValue(ch, 8) >= 0) {
            // Any number of digits; QChar keeps the low 16 bits of the value.
            const int base = ch == 'x' ? 16 : 8;
            bool digits = base == 8;
            quint32 value = base == 8 ? quint32(ch - '0') : 0;
            for (int digit; i < size && (digit = digitValue(iniText.at(i), base)) >= 0; ++i) {
                value = (value * quint32(base) + quint32(digit)) & 0xffff;
                digits = true;
            }
            if (digits && matcher.feed(ushort(value)))
                return true;
        } else if ((ch == '\n' || ch == '\r') && i < size) {
            // An escaped line break (either order of CR LF) joins the lines.
            const char next = iniText.at(i);
            if ((next == '\n' || next == '\r') && next != ch)
                ++i;
        }
        // Any other escaped character gives nothing.
    }
    return false;
}

CSettings::CSettings(QString applicationName)
{
    if (applicationName.isEmpty())
        applicationName = QStringLiteral("brimopanel");
    m_store = new QSettings(QSettings::IniFormat, QSettings::UserScope,
                            QCoreApplication::organizationName(), applicationName);
    clearDevices();

    // QSettings only splits the file into its groups when it opens it; it decodes the values of a
    // group when first asked for one of them.
    QFile file(m_store->fileName());
    if (file.open(QIODevice::ReadOnly) && holdsTypedValue(file.readAll())) {
        qDebug().noquote() << QStringLiteral("Settings file %1 holds values the panel does not "
                                             "write; it is ignored")
                                  .arg(m_store->fileName());
        m_fileIgnored = true;
        m_frameColor = Qt::black;
        m_scanAddress = QStringLiteral("255.255.255.255");
        return;
    }
    file.close();
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
    if (m_fileIgnored) {
        // Saving merges with the file on disk, decoding all of it: keep the user's file next to
        // the new one instead. QSettings reads the file again on sync() as its size changed.
        const QString path = m_store->fileName();
        const QString aside = path + QStringLiteral(".bad");
        QFile::remove(aside);
        if (QFile::exists(path) && !QFile::rename(path, aside)) {
            qDebug().noquote() << QStringLiteral("Settings file %1 cannot be moved aside; "
                                                 "settings are not saved")
                                      .arg(path);
            return;
        }
        m_store->sync();
        m_fileIgnored = false;
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

    s.sync();
    QtCompat::keepQt5IniEncoding(m_store->fileName());
}
