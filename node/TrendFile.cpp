#include "TrendFile.h"

#include "Trend.h"

#include <QDataStream>
#include <QIODevice>
#include <cmath>

namespace {
const quint32 Magic = 0x42525452; // "BRTR"
const quint8 Version = 1;
} // namespace

QByteArray encodeTrendHistory(const TrendHistory &history)
{
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_15);
    out.setFloatingPointPrecision(QDataStream::SinglePrecision);
    out << Magic << Version << history.host << history.newestMs << qint32(history.intervalMs);
    for (const QVector<float> &samples : history.samples) {
        const int count = qMin(samples.size(), HistoryCapacity);
        out << quint16(count);
        for (int i = samples.size() - count; i < samples.size(); ++i)
            out << samples[i];
    }
    return data;
}

std::optional<TrendHistory> decodeTrendHistory(const QByteArray &data)
{
    if (data.size() > MaxTrendFileBytes)
        return std::nullopt;
    QDataStream in(data);
    in.setVersion(QDataStream::Qt_5_15);
    in.setFloatingPointPrecision(QDataStream::SinglePrecision);
    quint32 magic = 0;
    quint8 version = 0;
    TrendHistory history;
    qint32 interval = 0;
    in >> magic >> version;
    if (in.status() != QDataStream::Ok || magic != Magic || version != Version)
        return std::nullopt;
    in >> history.host >> history.newestMs >> interval;
    history.intervalMs = interval;
    for (QVector<float> &samples : history.samples) {
        quint16 count = 0;
        in >> count;
        if (in.status() != QDataStream::Ok || count > HistoryCapacity)
            return std::nullopt;
        samples.resize(count);
        for (float &sample : samples) {
            in >> sample;
            if (!std::isfinite(sample))
                sample = NoSample; // a gap, as written, or anything a number cannot be
        }
    }
    if (in.status() != QDataStream::Ok || !in.atEnd() || interval <= 0)
        return std::nullopt;
    return history;
}

QVector<float> resumedSamples(const QVector<float> &samples, qint64 newestMs, qint64 nowMs,
                              int intervalMs, int capacity)
{
    if (intervalMs <= 0 || capacity <= 0 || newestMs <= nowMs - qint64(capacity) * intervalMs)
        return {};
    // A clock set back counts as no time passed.
    const qint64 missed = nowMs > newestMs ? (nowMs - newestMs) / intervalMs : 0;
    QVector<float> result = samples;
    result.insert(result.size(), int(missed), NoSample);
    return result.mid(qMax(0, result.size() - capacity));
}
