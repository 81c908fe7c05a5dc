#include "Trend.h"

#include <cmath>

float sampleValue(const QString &text)
{
    bool ok = false;
    const float value = text.trimmed().toFloat(&ok);
    return ok && std::isfinite(value) ? value : NoSample;
}

int historyIntervalMs(int minutes, const QByteArray &overrideMs)
{
    bool ok = false;
    const int ms = overrideMs.toInt(&ok);
    if (ok && ms > 0)
        return ms;
    // Beyond about 24 days a millisecond count would not fit the timer.
    return (minutes > 0 ? qMin(minutes, 35000) : 10) * 60000;
}

CSampleRing::CSampleRing(int capacity) : m_samples(qMax(capacity, 1), NoSample)
{}

void CSampleRing::add(float sample)
{
    m_samples[m_next] = sample;
    m_next = (m_next + 1) % m_samples.size();
    m_size = qMin(m_size + 1, m_samples.size());
}

QVector<float> CSampleRing::latest(int count) const
{
    count = qBound(0, count, m_size);
    QVector<float> result(count);
    const int capacity = m_samples.size();
    for (int i = 0; i < count; ++i)
        result[i] = m_samples[(m_next - count + i + capacity) % capacity];
    return result;
}

int shownSampleCount(int width)
{
    return width > 0 ? qMin(width / PixelsPerSample + 1, HistoryCapacity) : 0;
}

TrendScale trendScale(const QVector<float> &samples, float minSpan)
{
    TrendScale scale;
    for (float sample : samples) {
        if (std::isnan(sample))
            continue;
        scale.min = scale.valid ? qMin(scale.min, sample) : sample;
        scale.max = scale.valid ? qMax(scale.max, sample) : sample;
        scale.valid = true;
    }
    const float middle = scale.min / 2 + scale.max / 2;
    const float half = qMax(scale.max / 2 - scale.min / 2, minSpan / 2);
    scale.low = middle - half;
    scale.high = middle + half;
    return scale;
}

QVector<QPolygonF> trendLines(const QVector<float> &samples, const QRectF &area,
                              const TrendScale &scale)
{
    QVector<QPolygonF> lines;
    if (!scale.valid)
        return lines;
    // In double precision, so that even extreme values keep a finite place in the cell.
    const double span = double(scale.high) - scale.low;
    bool open = false;
    for (int i = 0; i < samples.size(); ++i) {
        const float sample = samples[i];
        if (std::isnan(sample)) {
            open = false;
            continue;
        }
        const qreal x = area.right() - qreal(samples.size() - 1 - i) * PixelsPerSample;
        const double part = span > 0 ? (double(sample) - scale.low) / span : 0.5;
        const qreal y = area.bottom() - area.height() * part;
        if (!open)
            lines.append(QPolygonF());
        lines.last().append(QPointF(x, y));
        open = true;
    }
    return lines;
}
