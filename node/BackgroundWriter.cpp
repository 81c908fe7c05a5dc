#include "BackgroundWriter.h"

#include "AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QThreadPool>

namespace {

class Writer
{
public:
    Writer() { m_thread.setMaxThreadCount(1); }
    // Runs at exit: the last samples reach the disk before the process ends.
    ~Writer() { m_thread.waitForDone(); }

    void write(const QString &path, const QByteArray &data)
    {
        const QMutexLocker lock(&m_mutex);
        Pending &pending = m_pending[path];
        pending.data = data;
        pending.generation = ++m_generations;
        if (!pending.queued) {
            pending.queued = true;
            m_thread.start([this, path] { writeNewest(path); });
        }
    }

    QByteArray read(const QString &path, qint64 maxBytes)
    {
        {
            const QMutexLocker lock(&m_mutex);
            const auto pending = m_pending.constFind(path);
            if (pending != m_pending.cend())
                return pending->data;
        }
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.read(maxBytes + 1) : QByteArray();
    }

    void waitForDone() { m_thread.waitForDone(); }

private:
    struct Pending
    {
        QByteArray data;
        quint64 generation = 0;
        bool queued = false;
    };

    void writeNewest(const QString &path)
    {
        QByteArray data;
        quint64 generation = 0;
        {
            const QMutexLocker lock(&m_mutex);
            Pending &pending = m_pending[path];
            pending.queued = false;
            data = pending.data;
            generation = pending.generation;
        }
        QDir().mkpath(QFileInfo(path).path());
        writeFileAtomically(path, data);
        // Readers take the file from now on, unless newer data came while it was written.
        const QMutexLocker lock(&m_mutex);
        const auto pending = m_pending.find(path);
        if (pending != m_pending.end() && pending->generation == generation)
            m_pending.erase(pending);
    }

    QMutex m_mutex;
    QHash<QString, Pending> m_pending; // data not yet on the disk, by path
    quint64 m_generations = 0;
    QThreadPool m_thread; // one thread, gone when idle for a while
};

Writer &writer()
{
    static Writer instance;
    return instance;
}

} // namespace

void writeFileInBackground(const QString &path, const QByteArray &data)
{
    writer().write(path, data);
}

QByteArray readFileAsWritten(const QString &path, qint64 maxBytes)
{
    return writer().read(path, maxBytes);
}

void waitForBackgroundWrites()
{
    writer().waitForDone();
}
