// Reading a tile's trend file from arbitrary bytes, and resuming its samples at an arbitrary time.
#include "FuzzSupport.h"
#include "Trend.h"
#include "TrendFile.h"

#include <cmath>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The first eight bytes, when there are so many, are the time of the restart.
    qint64 now = 0;
    if (size >= sizeof now)
        std::memcpy(&now, data, sizeof now);
    const std::optional<TrendHistory> history = decodeTrendHistory(fuzzBytes(data, size));
    if (size >= sizeof now)
        decodeTrendHistory(fuzzBytes(data + sizeof now, size - sizeof now));
    if (!history)
        return 0;

    // What was read is written back unchanged, and bounded as the tile keeps it.
    FUZZ_CHECK(encodeTrendHistory(*history).size() <= MaxTrendFileBytes);
    const std::optional<TrendHistory> again = decodeTrendHistory(encodeTrendHistory(*history));
    FUZZ_CHECK(again && again->host == history->host && again->newestMs == history->newestMs);
    for (const QVector<float> &samples : history->samples) {
        FUZZ_CHECK(samples.size() <= HistoryCapacity);
        for (float sample : samples)
            FUZZ_CHECK(std::isnan(sample) || std::isfinite(sample));
        const QVector<float> resumed =
            resumedSamples(samples, history->newestMs, now, history->intervalMs, HistoryCapacity);
        FUZZ_CHECK(resumed.size() <= HistoryCapacity);
    }
    return 0;
}
