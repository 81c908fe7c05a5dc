#include "AtomicFile.h"

#include "FileSystem.h"

#include <QDebug>
#include <QSaveFile>

bool writeFileAtomically(const QString &path, const QByteArray &data)
{
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly) && file.write(data) == data.size() &&
                   file.flush() && FileSystem::syncToDisk(file);
    QString error = file.errorString();
    if (file.isOpen()) {
        if (!written)
            file.cancelWriting(); // commit() then removes the new file
        if (!file.commit() && written) {
            written = false;
            error = file.errorString();
        }
    }
    if (!written)
        qWarning().noquote()
            << QStringLiteral("File %1 is not written, the old one is kept: %2").arg(path, error);
    return written;
}
