#pragma once

#include <QString>
#include <QVector>
#include <array>

// Keeps a tile's trends across restarts: one small file per slot under the application's data
// location, read when the tile is built and rewritten whole at every sample, off the GUI thread.
// The file names the slot's host text and the history interval, so that the samples of another
// device or interval are not shown as this one's.
class CTrendStore
{
public:
    CTrendStore(int row, int column, QString host, int intervalMs);

    // The samples of an earlier run to show again at `nowMs`, temperature and humidity, with a gap
    // for every interval the panel was off; none for a file of another device or interval.
    std::array<QVector<float>, 2> load(qint64 nowMs) const;
    // Queues the samples as taken at `nowMs`, the newest last.
    void save(const std::array<QVector<float>, 2> &samples, qint64 nowMs) const;

private:
    QString m_path;
    QString m_host;
    int m_intervalMs;
};
