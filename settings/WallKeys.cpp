#include "WallKeys.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTime>
#include <QVariant>

QString setupPinFromText(const QString &text)
{
    const QString pin = text.trimmed();
    if (pin.size() < SetupPinMinDigits || pin.size() > SetupPinMaxDigits)
        return QString();
    for (const QChar ch : pin) {
        // Not QChar::isDigit: other scripts' digits cannot be typed on the keypad.
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
            return QString();
    }
    return pin;
}

bool SleepWindow::contains(const QTime &time) const
{
    if (!isValid() || !time.isValid())
        return false;
    const int minute = time.hour() * 60 + time.minute();
    if (from < to)
        return minute >= from && minute < to;
    return minute >= from || minute < to; // across midnight
}

SleepWindow sleepWindowFromText(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral("^\\s*(\\d{1,2}):(\\d\\d)\\s*-\\s*(\\d{1,2}):(\\d\\d)\\s*$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return {};
    const int fromHour = match.captured(1).toInt(), fromMinute = match.captured(2).toInt();
    const int toHour = match.captured(3).toInt(), toMinute = match.captured(4).toInt();
    if (fromHour > 23 || fromMinute > 59 || toMinute > 59 || toHour > 24 ||
        (toHour == 24 && toMinute != 0))
        return {};
    SleepWindow window;
    window.from = fromHour * 60 + fromMinute;
    window.to = (toHour * 60 + toMinute) % (24 * 60);
    if (window.from == window.to)
        return {};
    return window;
}

QString commandFromVariant(const QVariant &value)
{
    return value.toStringList().join(QLatin1Char(','));
}
