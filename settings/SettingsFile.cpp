#include "SettingsFile.h"

#include "AtomicFile.h"
#include "FileSystem.h"
#include "IniGuard.h"
#include "QtCompat.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {

// The file's bytes; false when it exists and cannot be read.
bool readFile(const QString &path, QByteArray *bytes)
{
    QFile file(path);
    bytes->clear();
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}

// Whether a file QSettings wrote is there whole: it is not empty and ends its last line.
bool looksWhole(const QString &path)
{
    QByteArray bytes;
    return readFile(path, &bytes) && bytes.endsWith('\n');
}

// The old file in the place of the new one; false when that failed.
bool putBack(const QString &path, const QString &kept)
{
    QFile::remove(path);
    return QFile::rename(kept, path);
}

// Whether a store of its own, reading the file at path as it is on the disk now, finds every value
// of store there. It reads a second name of the file: QSettings caches a file by name, size and
// time stamp, so a store of the same name would answer from the cache.
bool holdsAll(const QString &path, const QSettings &store)
{
    static int checks = 0;
    const QString check = QStringLiteral("%1.check-%2").arg(path).arg(++checks);
    QByteArray text;
    if (!FileSystem::hardLink(path, check) &&
        !(readFile(path, &text) && writeFileAtomically(check, text)))
        return false;
    int refused = 0;
    bool same = readFile(check, &text) && (withoutUnsafeValues(text, &refused), refused == 0);
    if (same) {
        const QSettings landed(check, QSettings::IniFormat);
        const QStringList keys = store.allKeys();
        for (auto key = keys.cbegin(); same && key != keys.cend(); ++key) {
            // Qt writes any group spelt "general" as [%General], which reads back as "General".
            const QString group = key->section(QLatin1Char('/'), 0, 0);
            if (group != QLatin1String("General") &&
                group.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
                continue;
            const QVariant saved = store.value(*key);
            const QVariant read = landed.value(*key);
            // A key the store lists without a value (a broken line of the file) is not written.
            same = !saved.isValid() || (landed.contains(*key) &&
                                        (saved == read || saved.toString() == read.toString()));
        }
    }
    QFile::remove(check);
    return same;
}

} // namespace

QString SettingsFile::keptPath(const QString &path)
{
    return path + QStringLiteral(".kept");
}

QString SettingsFile::badPath(const QString &path)
{
    return path + QStringLiteral(".bad");
}

QString SettingsFile::cleanPath(const QString &path)
{
    return path + QStringLiteral(".clean");
}

bool SettingsFile::recover(const QString &path)
{
    const QFileInfo info(path);
    QDir dir = info.dir();
    const QStringList checks = dir.entryList({info.fileName() + QStringLiteral(".check-*")},
                                             QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &check : checks)
        dir.remove(check);
    const QString kept = keptPath(path);
    if (!QFileInfo::exists(kept))
        return false;
    if (looksWhole(path)) { // the save was done, or had not begun
        QFile::remove(kept);
        return false;
    }
    qWarning().noquote() << QStringLiteral("Settings file %1 was not saved whole; the file it "
                                           "replaced, kept by that save, is read instead")
                                .arg(path);
    if (!putBack(path, kept))
        qWarning().noquote() << QStringLiteral("Settings file %1 cannot be put back").arg(path);
    return true;
}

bool SettingsFile::guard(const QString &path)
{
    QByteArray bytes;
    if (!readFile(path, &bytes))
        bytes.clear(); // QSettings cannot read it either
    int refused = 0;
    const QByteArray clean = withoutUnsafeValues(bytes, &refused);
    if (refused == 0)
        return true;
    qWarning().noquote() << QStringLiteral("Settings file %1: %2 value(s) cannot be read safely; "
                                           "the file is kept as %3 and saved without them")
                                .arg(path)
                                .arg(refused)
                                .arg(badPath(path));
    if (!writeFileAtomically(badPath(path), bytes) || !writeFileAtomically(path, clean)) {
        qWarning().noquote()
            << QStringLiteral("Settings file %1: settings are not saved").arg(path);
        return false;
    }
    return true;
}

bool SettingsFile::syncChecked(QSettings &store)
{
    const QString path = store.fileName();
    QByteArray old;
    if (!guard(path))
        return false;
    const bool existed = QFileInfo(path).isFile();
    const bool known = readFile(path, &old);
    const QString kept = keptPath(path);
    QFile::remove(kept);
    const bool keeping =
        existed && (FileSystem::hardLink(path, kept) || writeFileAtomically(kept, old));

    store.sync();
    QtCompat::keepQt5IniEncoding(path);
    // Not status(): it keeps the first error of the store's life, a file it could not parse too.
    if (holdsAll(path, store)) {
        QFile::remove(kept);
        return true;
    }

    qWarning().noquote()
        << QStringLiteral("Settings file %1 is not saved, the old one is kept").arg(path);
    bool back = true;
    QByteArray now;
    if (!existed)
        back = !QFileInfo(path).isFile() || QFile::remove(path);
    else if (readFile(path, &now) && now == old)
        QFile::remove(kept); // the old file never left
    else
        back = keeping ? putBack(path, kept) : known && writeFileAtomically(path, old);
    if (!back)
        qWarning().noquote() << QStringLiteral("Settings file %1 cannot be put back").arg(path);
    return false;
}
