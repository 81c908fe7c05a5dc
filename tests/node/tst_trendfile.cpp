#include "BackgroundWriter.h"
#include "CTrendStore.h"
#include "SampleText.h"
#include "Trend.h"
#include "TrendFile.h"

#include <QTemporaryDir>
#include <QTest>

using TestSupport::samplesFromText;
using TestSupport::samplesText;

namespace {

TrendHistory sampleHistory()
{
    TrendHistory history;
    history.host = QStringLiteral("Cold store [10.0.0.7]");
    history.newestMs = 1700000000000;
    history.intervalMs = 600000;
    history.samples[0] = samplesFromText("4.1 _ 3.9");
    history.samples[1] = samplesFromText("80");
    return history;
}

// The encoded sample history with its last sample (the humidity's) replaced by these float bits.
QByteArray withLastSampleBits(quint32 bits)
{
    QByteArray data = encodeTrendHistory(sampleHistory());
    for (int i = 0; i < 4; ++i)
        data[data.size() - 4 + i] = char(bits >> (24 - 8 * i));
    return data;
}

} // namespace

class tst_TrendFile : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void resumed_data();
    void resumed();
    void store_data();
    void store();
};

void tst_TrendFile::decode_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("samples"); // both sensors' samples, "|" between; empty: refused

    const QByteArray valid = encodeTrendHistory(sampleHistory());
    QTest::newRow("as written") << valid << "4.1 _ 3.9|80";
    QTest::newRow("infinite sample read as a gap")
        << withLastSampleBits(0x7f800000) << "4.1 _ 3.9|_";
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("foreign") << QByteArray("[%General]\nFrameColor=#000000\n") << "";
    QTest::newRow("cut short") << valid.left(valid.size() - 1) << "";
    QTest::newRow("trailing byte") << valid + 'x' << "";
    QTest::newRow("another kind") << QByteArray(valid).replace(0, 4, "BRTX") << "";
    QTest::newRow("another version") << QByteArray(valid).replace(4, 1, "\x02") << "";
    QTest::newRow("too large") << valid + QByteArray(MaxTrendFileBytes, '\0') << "";

    TrendHistory full = sampleHistory();
    full.samples[0] = QVector<float>(HistoryCapacity + 7, 1.0f);
    QTest::newRow("more than a ring, the newest kept")
        << encodeTrendHistory(full) << QString("1 ").repeated(HistoryCapacity).trimmed() + "|80";
    TrendHistory noInterval = sampleHistory();
    noInterval.intervalMs = 0;
    QTest::newRow("no interval") << encodeTrendHistory(noInterval) << "";
}

void tst_TrendFile::decode()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, samples);

    const std::optional<TrendHistory> history = decodeTrendHistory(data);
    QCOMPARE(bool(history), !samples.isEmpty());
    if (!history)
        return;
    QCOMPARE(samplesText(history->samples[0]) + '|' + samplesText(history->samples[1]), samples);
    QCOMPARE(history->host, sampleHistory().host);
    QCOMPARE(history->newestMs, sampleHistory().newestMs);
    QCOMPARE(history->intervalMs, sampleHistory().intervalMs);
}

void tst_TrendFile::resumed_data()
{
    QTest::addColumn<QString>("samples");
    QTest::addColumn<qint64>("elapsedMs"); // since the newest sample, at 1000 ms an interval
    QTest::addColumn<QString>("resumed");  // with a capacity of 5

    QTest::newRow("at once") << "1 2 3" << qint64(500) << "1 2 3";
    QTest::newRow("two intervals missed") << "1 2 3" << qint64(2500) << "1 2 3 _ _";
    QTest::newRow("older ones drop out") << "1 2 3" << qint64(4000) << "3 _ _ _ _";
    QTest::newRow("all older than the span") << "1 2 3" << qint64(5000) << "";
    QTest::newRow("clock set back") << "1 2 3" << qint64(-100000) << "1 2 3";
    QTest::newRow("full ring") << "1 2 3 4 5 6" << qint64(0) << "2 3 4 5 6";
}

void tst_TrendFile::resumed()
{
    QFETCH(QString, samples);
    QFETCH(qint64, elapsedMs);
    QFETCH(QString, resumed);

    const qint64 newest = 1700000000000;
    QCOMPARE(
        samplesText(resumedSamples(samplesFromText(samples), newest, newest + elapsedMs, 1000, 5)),
        resumed);
}

// What a tile built again finds of the trends its slot saved, at 1000 ms an interval.
void tst_TrendFile::store_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("intervalMs");
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<QString>("loaded");
    const QString host = QStringLiteral("a [10.0.0.1]");
    QTest::newRow("at once") << host << 1000 << qint64(0) << "1 2";
    QTest::newRow("off for two intervals") << host << 1000 << qint64(2500) << "1 2 _ _";
    QTest::newRow("another device") << "b [10.0.0.2]" << 1000 << qint64(0) << "";
    QTest::newRow("another interval") << host << 2000 << qint64(0) << "";
}

void tst_TrendFile::store()
{
    QFETCH(QString, host);
    QFETCH(int, intervalMs);
    QFETCH(qint64, elapsedMs);
    QFETCH(QString, loaded);
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    const qint64 saved = 1700000000000;
    CTrendStore(0, 1, QStringLiteral("a [10.0.0.1]"), 1000)
        .save({samplesFromText("1 2"), samplesFromText("3")}, saved);
    waitForBackgroundWrites();
    QCOMPARE(samplesText(CTrendStore(0, 1, host, intervalMs).load(saved + elapsedMs)[0]), loaded);
}

QTEST_APPLESS_MAIN(tst_TrendFile)
#include "tst_trendfile.moc"
