#pragma once

#include <QByteArray>
#include <QString>

class QSettings;

// The safety of the settings file around QSettings. QSettings writes the file whole to a new file
// and renames that over the old one, but it reports success when a full disk cut the new file
// short. So a save keeps the old file under a second name (a hard link: no byte to write, and put
// back by a rename) until what landed on the disk is read back and found to hold what was saved;
// otherwise the old file goes back in its place. The copy exists only while a save is in progress:
// one found at start means a save was interrupted.
namespace SettingsFile {

// The old file while a save is in progress.
QString keptPath(const QString &path);
// A file with refused values, as the save that replaced it found it.
QString badPath(const QString &path);
// The text of a file with refused values without them, read until the next save replaces the file.
QString cleanPath(const QString &path);

// At start, before the file at path is read: a copy kept by an interrupted save takes the place of
// a file that is missing, empty, unreadable or cut short; else the copy goes. True when the file
// changed.
bool recover(const QString &path);

// Makes the file at path safe for QSettings to decode: when it holds values that cannot be read
// safely (withoutUnsafeValues()), it is copied to badPath() and replaced by its text without them.
// False when that fails: then nothing may be saved.
bool guard(const QString &path);

// store.sync(), checked: guards the file first, and puts the old file back when the file on the
// disk does not hold what the store holds afterwards. Failures are said on the warning stream.
bool syncChecked(QSettings &store);

} // namespace SettingsFile
