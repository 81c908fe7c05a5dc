#include "CSettings.h"

#include "QtCompat.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QSettings>
#include <QTemporaryFile>
#include <QtEndian>

#include <algorithm>

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

namespace {

// The character a simple escape stands for, or -1.
int simpleEscape(char ch)
{
    static const char codes[] = "a\ab\bf\fn\nr\rt\tv\v''??\"\"\\\\";
    for (const char *code = codes; *code; code += 2) {
        if (*code == ch)
            return code[1];
    }
    return -1;
}

int digitValue(char ch, int base)
{
    const int value = ch >= '0' && ch <= '9'   ? ch - '0'
                      : ch >= 'a' && ch <= 'f' ? ch - 'a' + 10
                      : ch >= 'A' && ch <= 'F' ? ch - 'A' + 10
                                               : 99;
    return value < base ? value : -1;
}

// The elements of a value (one, unless it is a list) as QSettings unescapes them: quotes only
// delimit and keep commas and blanks; unquoted blanks around an element go, unless escaped; \x..
// and octal escapes take any number of digits and keep the low 16 bits. Bytes above 0x7f become
// U+FFFD, as Qt 5 and 6 read them differently (Latin-1, UTF-8).
QStringList valueElements(const char *text, int size)
{
    QStringList elements;
    QString element;
    bool quoted = false;
    bool inQuotes = false;
    int chopLimit = 0; // blanks before it were escaped or quoted
    int i = 0;
    const auto skipBlanks = [&] {
        while (i < size && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        chopLimit = element.size();
    };
    const auto endElement = [&] {
        while (!quoted && element.size() > chopLimit &&
               (element.endsWith(QLatin1Char(' ')) || element.endsWith(QLatin1Char('\t'))))
            element.chop(1);
        elements << element;
        element.clear();
        quoted = false;
    };
    skipBlanks();
    while (i < size) {
        const char ch = text[i++];
        if (ch == '"') {
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes)
                skipBlanks();
        } else if (ch == ',' && !inQuotes) {
            endElement();
            skipBlanks();
        } else if (ch != '\\') {
            element +=
                uchar(ch) < 0x80 ? QChar(QLatin1Char(ch)) : QChar(QChar::ReplacementCharacter);
        } else if (i < size) {
            const char escaped = text[i++];
            const int base = escaped == 'x' ? 16 : digitValue(escaped, 8) >= 0 ? 8 : 0;
            if (simpleEscape(escaped) >= 0) {
                element += QChar(simpleEscape(escaped));
            } else if (base && (base == 8 || (i < size && digitValue(text[i], 16) >= 0))) {
                quint32 value = base == 8 ? quint32(escaped - '0') : 0;
                for (int digit; i < size && (digit = digitValue(text[i], base)) >= 0; ++i)
                    value = (value * quint32(base) + quint32(digit)) & 0xffff;
                element += QChar(ushort(value));
            } else if ((escaped == '\n' || escaped == '\r') && i < size &&
                       (text[i] == '\n' || text[i] == '\r') && text[i] != escaped) {
                ++i; // an escaped line break, either order of CR LF
            }
            // Any other escaped character gives nothing.
            chopLimit = element.size();
        }
    }
    endElement();
    return elements;
}

// Whether QSettings decodes this element only as far as its data goes. It decodes "@Variant(...)"
// and "@DateTime(...)" with QVariant's stream operator (a Qt 4.0 and a Qt 5.6 stream) from the
// Latin-1 bytes after the opening parenthesis; the data starts with the type id (quint32, big
// endian), and Qt 4.0 streams number the types above 127 97 higher than later ones. Let through
// are types that read a fixed number of bytes, and QString and QByteArray, which read in blocks
// that stop where the data ends; a QColor also needs a colour model Qt knows, and a QDateTime no
// time zone. Refused is everything else: lists, maps, polygons, regions, images and the like
// reserve room for a count read from the data before reading any element, and the user type looks a
// type up by a name in the data. Other "@" forms are parsed from text.
bool decodesBounded(const QString &element)
{
    const bool qt4 = element.startsWith(QLatin1String("@Variant("));
    if (!element.endsWith(QLatin1Char(')')) ||
        !(qt4 || element.startsWith(QLatin1String("@DateTime("))))
        return true;
    const int prefix = qt4 ? 9 : 10;
    const QByteArray data = element.mid(prefix).toLatin1();
    if (data.size() < 4)
        return false;
    quint32 id = qFromBigEndian<quint32>(data.constData());
    if (qt4 && id >= 128)
        id -= 97;
    // A byte of the type's own data, which follows the null flag in a Qt 5.6 stream; unknown
    // (0xff) after a byte above 0x7f in the file, which Qt 6 may read with others as one.
    const auto ownByte = [&](int offset) {
        const int at = (qt4 ? 4 : 5) + offset;
        const bool known = at < data.size() &&
                           !element.left(prefix + at + 1).contains(QChar::ReplacementCharacter);
        return known ? uchar(data.at(at)) : uchar(0xff);
    };
    switch (id) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::QChar:
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::QDate:
    case QMetaType::QTime:
    case QMetaType::QRect:
    case QMetaType::QRectF:
    case QMetaType::QSize:
    case QMetaType::QSizeF:
    case QMetaType::QLine:
    case QMetaType::QLineF:
    case QMetaType::QPoint:
    case QMetaType::QPointF:
        return true;
    case QMetaType::QDateTime: // after the date and the time, the kind of time: a time zone (Qt 5.6
                               // streams) may be invalid, and saving it again crashes
        return qt4 || ownByte(12) < Qt::TimeZone;
    case 67: // QColor, as streams before Qt 6 number it: its colour model byte is taken as it is
        return ownByte(0) <= QColor::ExtendedRgb;
    default:
        return false;
    }
}

} // namespace

QByteArray withoutUnsafeValues(const QByteArray &iniText, int *dropped)
{
    // Logical lines as QSettings reads them: a line break inside quotes or after a backslash does
    // not end one, an unquoted ";" does (a comment follows); a line starting with "[" names a
    // group.
    const char *text = iniText.constData();
    const int size = iniText.size();
    QByteArray kept;
    int copied = 0;
    *dropped = 0;
    int i = iniText.startsWith("\xef\xbb\xbf") ? 3 : 0;
    while (i < size) {
        while (i < size &&
               (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r'))
            ++i;
        const int start = i;
        if (i < size && text[i] == ';') {
            while (i < size && text[i] != '\n' && text[i] != '\r')
                ++i;
            continue;
        }
        int equals = -1;
        bool inQuotes = false;
        for (; i < size; ++i) {
            const char ch = text[i];
            if (ch == '"') {
                inQuotes = !inQuotes;
            } else if (ch == '=' && !inQuotes && equals < 0) {
                equals = i;
            } else if (ch == '\\' && i + 1 < size) {
                ++i;
                if (i + 1 < size && (text[i] == '\n' || text[i] == '\r') &&
                    (text[i + 1] == '\n' || text[i + 1] == '\r') && text[i + 1] != text[i])
                    ++i;
            } else if ((ch == '\n' || ch == '\r' || ch == ';') && !inQuotes) {
                break;
            }
        }
        if (equals < 0 || text[start] == '[')
            continue;
        const QStringList elements = valueElements(text + equals + 1, i - equals - 1);
        if (!std::all_of(elements.begin(), elements.end(), decodesBounded)) {
            kept += iniText.mid(copied, start - copied);
            copied = i;
            ++*dropped;
        }
    }
    return *dropped ? kept + iniText.mid(copied) : iniText;
}

CSettings::CSettings(QString applicationName)
{
    if (applicationName.isEmpty())
        applicationName = QStringLiteral("brimopanel");
    m_store = new QSettings(QSettings::IniFormat, QSettings::UserScope,
                            QCoreApplication::organizationName(), applicationName);
    clearDevices();

    // QSettings splits the file into its groups when it opens it, and decodes all values of a group
    // when first asked for one of them (all of the file when it saves). A file holding values that
    // cannot be decoded safely is read through a copy without them; the store of the file itself
    // is asked for nothing until save() replaces the file.
    QFile file(m_store->fileName());
    int refused = 0;
    const QByteArray clean = file.open(QIODevice::ReadOnly)
                                 ? withoutUnsafeValues(file.readAll(), &refused)
                                 : QByteArray();
    if (refused > 0) {
        qDebug().noquote() << QStringLiteral(
                                  "Settings file %1: %2 value(s) cannot be read safely and "
                                  "are ignored; the next save keeps the file as %1.bad")
                                  .arg(file.fileName())
                                  .arg(refused);
        m_userStore = m_store;
        m_cleanCopy = new QTemporaryFile;
        // Without room for the copy nothing of the file is read.
        if (m_cleanCopy->open() && m_cleanCopy->write(clean) != clean.size())
            m_cleanCopy->resize(0);
        m_cleanCopy->close();
        m_store = new QSettings(m_cleanCopy->fileName(), QSettings::IniFormat);
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
    delete m_userStore;
    delete m_cleanCopy;
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
        // Keep the user's file as it is, and write a new one from the copy: everything the file
        // held but the refused values. QSettings reads the file again on sync() as its size
        // changed, so nothing of the original is ever decoded.
        const QString path = m_userStore->fileName();
        const QString aside = path + QStringLiteral(".bad");
        QFile::remove(aside);
        if (QFile::exists(path) && !QFile::rename(path, aside)) {
            qDebug().noquote() << QStringLiteral("Settings file %1 cannot be moved aside; "
                                                 "settings are not saved")
                                      .arg(path);
            return;
        }
        m_userStore->sync();
        const QStringList keys = m_store->allKeys();
        for (const QString &key : keys)
            m_userStore->setValue(key, m_store->value(key));
        delete m_store;
        m_store = m_userStore;
        m_userStore = nullptr;
        delete m_cleanCopy;
        m_cleanCopy = nullptr;
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
