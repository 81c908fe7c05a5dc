#include "IniGuard.h"

#include <QColor>
#include <QStringList>
#include <QtEndian>

#include <algorithm>

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
