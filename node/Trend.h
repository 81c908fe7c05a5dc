#pragma once

#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QVector>
#include <limits>

// The course of one sensor's value: one sample per history interval, NaN for an interval in which
// the device gave no readings.

constexpr float NoSample = std::numeric_limits<float>::quiet_NaN();

// Samples kept per sensor: a cell 1024 pixels wide shows them all.
constexpr int HistoryCapacity = 512;
// Horizontal distance of neighbouring samples in a trend: the time scale of every trend.
constexpr int PixelsPerSample = 2;

// The sample of a value text, NaN when the text is no finite number.
float sampleValue(const QString &text);

// The history interval in milliseconds: the configured minutes (10 when not positive), or a
// positive millisecond count from `overrideMs` (the demo's and the tests' seam).
int historyIntervalMs(int minutes, const QByteArray &overrideMs);

// A bounded ring of samples: the oldest gives way when it is full.
class CSampleRing
{
public:
    explicit CSampleRing(int capacity = HistoryCapacity);

    void add(float sample);
    int size() const { return m_size; }
    // The `count` most recent samples, oldest first; fewer when the ring holds fewer.
    QVector<float> latest(int count) const;

private:
    QVector<float> m_samples;
    int m_next = 0;
    int m_size = 0;
};

// How many samples a cell `width` pixels wide shows.
int shownSampleCount(int width);

// The value range a trend spans: its samples' extremes, widened about their middle to at least
// `minSpan`, so that noise does not fill the cell. Not valid without a single sample.
struct TrendScale
{
    bool valid = false;
    float min = 0; // lowest and highest sample
    float max = 0;
    float low = 0; // bottom and top of the cell
    float high = 0;
};
TrendScale trendScale(const QVector<float> &samples, float minSpan);

// The lines of a trend in `area`: the newest sample at the right edge, PixelsPerSample apart going
// back in time; a gap ends a line. A line may be a single point.
QVector<QPolygonF> trendLines(const QVector<float> &samples, const QRectF &area,
                              const TrendScale &scale);
