#pragma once

#include <QByteArray>
#include <QString>

// Makes data the whole of the file at path, or leaves the old file as it was: the data goes to a
// new file beside it, is flushed and synced, and only then takes the old one's name. QSaveFile
// alone is not enough: its commit() reports success when its last flush fails (a full disk), and
// renames the short file over the old one. A failure is said on the warning stream.
bool writeFileAtomically(const QString &path, const QByteArray &data);
