#pragma once

// The file system calls Qt does not offer, for each platform in one place.

#include <QString>

class QFileDevice;

namespace FileSystem {

// Waits until what was written to the open file is on the disk. True where this build cannot reach
// the file's handle (Windows: QSaveFile::commit() syncs it there).
bool syncToDisk(QFileDevice &file);

// A second name for the file at existing, without copying a byte. False where the file system
// has no hard links, or link exists already.
bool hardLink(const QString &existing, const QString &link);

} // namespace FileSystem
