#pragma once

#include <QByteArray>
#include <QString>

// Files that the panel rewrites whole while it runs (the trends) are written on a thread of their
// own: on an SD card one flush to the disk can take hundreds of milliseconds, and the display must
// not wait for it. One thread writes them one after another, so the tiles that sample at the same
// moment do not flush at once. Each write is atomic (a new file renamed over the old one), so a
// panel that loses power leaves the old file or the new one, never half of one.

// Queues `data` to become the whole of the file at `path`, its folder made when missing. Of the
// writes to one path that wait their turn only the newest is made. A failed write leaves the old
// file as it was, says so on the warning stream and is dropped.
void writeFileInBackground(const QString &path, const QByteArray &data);

// What the file at `path` holds once the queued writes are done: the newest data queued for it,
// or else its first `maxBytes` + 1 bytes (so that a caller sees a file too large); empty when
// there is none.
QByteArray readFileAsWritten(const QString &path, qint64 maxBytes);

// Returns when every queued write is done (tests; the writer also finishes them at exit).
void waitForBackgroundWrites();
