#include "QtCompat.h"

#include "AtomicFile.h"

#include <QByteArray>
#include <QFile>
#include <QLockFile>

#include <algorithm>

void QtCompat::keepQt5IniEncoding(const QString &path)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    // QSettings writes under this lock; another process saving at the same time waits for it.
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.lock())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray written = file.readAll();
    file.close();
    if (std::all_of(written.cbegin(), written.cend(), [](char c) { return uchar(c) < 0x7f; }))
        return;
    // Keys and group names are %-escaped ASCII under both; only values carry raw characters. The
    // Qt 5 build writes each UTF-16 unit from 0x7f up as \x and lower-case hex, and after such an
    // escape a hex digit too, so the escape cannot swallow it.
    const QString text = QString::fromUtf8(written);
    QByteArray ascii;
    ascii.reserve(written.size() * 2);
    bool escapeHexDigit = false;
    for (const QChar ch : text) {
        const ushort unit = ch.unicode();
        const bool hexDigit = (unit >= '0' && unit <= '9') || (unit >= 'a' && unit <= 'f') ||
                              (unit >= 'A' && unit <= 'F');
        if (unit >= 0x7f || (escapeHexDigit && hexDigit)) {
            ascii += "\\x" + QByteArray::number(unit, 16);
            escapeHexDigit = true;
        } else {
            ascii += char(unit);
            escapeHexDigit = false;
        }
    }
    writeFileAtomically(path, ascii);
#else
    Q_UNUSED(path)
#endif
}
