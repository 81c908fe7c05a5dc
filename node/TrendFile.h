#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <optional>

// What a tile keeps of its trends across a restart, in one small file per slot: the samples of
// temperature and humidity, oldest first, the time the newest was taken, the history interval and
// the host text of the slot, so that a file of another device or interval is not taken for ours.
struct TrendHistory
{
    QString host;
    qint64 newestMs = 0; // milliseconds since the epoch, UTC
    int intervalMs = 0;
    QVector<float> samples[2];
};

// The largest trend file: the header and two full rings, with room for a long host text.
constexpr int MaxTrendFileBytes = 8192;

QByteArray encodeTrendHistory(const TrendHistory &history);
// Nothing when the data is not a whole trend file of this format within the size limit.
std::optional<TrendHistory> decodeTrendHistory(const QByteArray &data);

// The samples to show again at `nowMs`: a gap for every interval missed since the newest, and of
// all of them only the `capacity` most recent; none at all when every sample is older than that.
QVector<float> resumedSamples(const QVector<float> &samples, qint64 newestMs, qint64 nowMs,
                              int intervalMs, int capacity);
