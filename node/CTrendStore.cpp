#include "CTrendStore.h"

#include "BackgroundWriter.h"
#include "CSettings.h"
#include "Trend.h"
#include "TrendFile.h"

#include <QStandardPaths>

CTrendStore::CTrendStore(int row, int column, QString host, int intervalMs)
    : m_path(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
             QStringLiteral("/trends/") + deviceGroup(row, column)),
      m_host(std::move(host)), m_intervalMs(intervalMs)
{}

std::array<QVector<float>, 2> CTrendStore::load(qint64 nowMs) const
{
    const std::optional<TrendHistory> history =
        decodeTrendHistory(readFileAsWritten(m_path, MaxTrendFileBytes));
    if (!history || history->host != m_host || history->intervalMs != m_intervalMs)
        return {};
    std::array<QVector<float>, 2> samples;
    for (int sensor = 0; sensor < 2; ++sensor)
        samples[sensor] = resumedSamples(history->samples[sensor], history->newestMs, nowMs,
                                         m_intervalMs, HistoryCapacity);
    return samples;
}

void CTrendStore::save(const std::array<QVector<float>, 2> &samples, qint64 nowMs) const
{
    TrendHistory history;
    history.host = m_host;
    history.newestMs = nowMs;
    history.intervalMs = m_intervalMs;
    for (int sensor = 0; sensor < 2; ++sensor)
        history.samples[sensor] = samples[sensor];
    writeFileInBackground(m_path, encodeTrendHistory(history));
}
