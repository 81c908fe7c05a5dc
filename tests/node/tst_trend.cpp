#include "SampleText.h"
#include "Trend.h"

#include <QTest>
#include <cmath>

using TestSupport::samplesFromText;
using TestSupport::samplesText;

class tst_Trend : public QObject
{
    Q_OBJECT

private slots:
    void sampleValue_data();
    void sampleValue();
    void interval_data();
    void interval();
    void ring_data();
    void ring();
    void shownCount_data();
    void shownCount();
    void scale_data();
    void scale();
    void lines_data();
    void lines();
};

void tst_Trend::sampleValue_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("sample");

    QTest::newRow("number") << "21.50"
                            << "21.5";
    QTest::newRow("blanks around") << " -3.2 "
                                   << "-3.2";
    QTest::newRow("empty") << ""
                           << "_";
    QTest::newRow("text") << "---"
                          << "_";
    QTest::newRow("infinite") << "inf"
                              << "_";
    QTest::newRow("not a number") << "nan"
                                  << "_";
    QTest::newRow("beyond float") << "1e39"
                                  << "_";
}

void tst_Trend::sampleValue()
{
    QFETCH(QString, value);
    QFETCH(QString, sample);
    QCOMPARE(samplesText({::sampleValue(value)}), sample);
}

void tst_Trend::interval_data()
{
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QByteArray>("overrideMs");
    QTest::addColumn<int>("ms");

    QTest::newRow("default") << 10 << QByteArray() << 600000;
    QTest::newRow("one minute") << 1 << QByteArray() << 60000;
    QTest::newRow("zero gives 10") << 0 << QByteArray() << 600000;
    QTest::newRow("negative gives 10") << -3 << QByteArray() << 600000;
    QTest::newRow("too long for the timer") << 100000 << QByteArray() << 35000 * 60000;
    QTest::newRow("override") << 10 << QByteArray("250") << 250;
    QTest::newRow("override 0 ignored") << 5 << QByteArray("0") << 300000;
    QTest::newRow("override not a number") << 5 << QByteArray("x") << 300000;
}

void tst_Trend::interval()
{
    QFETCH(int, minutes);
    QFETCH(QByteArray, overrideMs);
    QFETCH(int, ms);
    QCOMPARE(historyIntervalMs(minutes, overrideMs), ms);
}

void tst_Trend::ring_data()
{
    QTest::addColumn<int>("capacity");
    QTest::addColumn<QString>("added");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("latest");

    QTest::newRow("empty") << 4 << "" << 3 << "";
    QTest::newRow("one sample") << 4 << "5" << 3 << "5";
    QTest::newRow("gaps kept") << 4 << "1 _ 2" << 4 << "1 _ 2";
    QTest::newRow("fewer asked") << 4 << "1 2 3 4" << 2 << "3 4";
    QTest::newRow("full ring drops the oldest") << 3 << "1 2 3 4 5" << 3 << "3 4 5";
    QTest::newRow("more asked than kept") << 3 << "1 2 3 4 5 6 7" << 9 << "5 6 7";
}

void tst_Trend::ring()
{
    QFETCH(int, capacity);
    QFETCH(QString, added);
    QFETCH(int, count);
    QFETCH(QString, latest);

    CSampleRing ring(capacity);
    for (float sample : samplesFromText(added))
        ring.add(sample);
    QCOMPARE(ring.size(), qMin(samplesFromText(added).size(), capacity));
    QCOMPARE(samplesText(ring.latest(count)), latest);
}

void tst_Trend::shownCount_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("count");

    QTest::newRow("no width") << 0 << 0;
    QTest::newRow("one pixel") << 1 << 1;
    QTest::newRow("1920 x 1080 panel") << 119 << 60;
    QTest::newRow("grown") << 240 << 121;
    QTest::newRow("wider than the ring") << 5000 << HistoryCapacity;
}

void tst_Trend::shownCount()
{
    QFETCH(int, width);
    QFETCH(int, count);
    QCOMPARE(shownSampleCount(width), count);
}

void tst_Trend::scale_data()
{
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("expected"); // min max low high, or empty: nothing to draw

    QTest::newRow("constant") << "20 20 20"
                              << "20 20 19 21";
    QTest::newRow("one sample") << "7"
                                << "7 7 6 8";
    QTest::newRow("noise within the span") << "20 20.1 19.9"
                                           << "19.9 20.1 19 21";
    QTest::newRow("range wider than the span") << "10 _ 30 20"
                                               << "10 30 10 30";
    QTest::newRow("freezer, all below zero") << "-20 -18.5 _ -19"
                                             << "-20 -18.5 -20.25 -18.25";
    QTest::newRow("only gaps") << "_ _"
                               << "";
    QTest::newRow("none") << ""
                          << "";
}

void tst_Trend::scale()
{
    QFETCH(QString, shown);
    QFETCH(QString, expected);

    const TrendScale scale = trendScale(samplesFromText(shown), 2.0f);
    QCOMPARE(scale.valid, !expected.isEmpty());
    if (scale.valid)
        QCOMPARE(samplesText({scale.min, scale.max, scale.low, scale.high}), expected);
}

void tst_Trend::lines_data()
{
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("expected"); // points "x,y", lines separated by "|"

    // In a 100 x 50 area, with a span of at least 2.
    QTest::newRow("rising, newest at the right") << "0 1 2"
                                                 << "96,50 98,25 100,0";
    QTest::newRow("a gap breaks the line") << "0 _ 2"
                                           << "96,50|100,0";
    QTest::newRow("one sample in the middle") << "5"
                                              << "100,25";
    QTest::newRow("constant in the middle") << "3 3"
                                            << "98,25 100,25";
    QTest::newRow("trailing gap") << "0 2 _"
                                  << "96,50 98,0";
    QTest::newRow("only gaps") << "_ _"
                               << "";
    QTest::newRow("extremes stay finite") << "-3e38 3e38"
                                          << "98,50 100,0";
}

void tst_Trend::lines()
{
    QFETCH(QString, shown);
    QFETCH(QString, expected);

    const QVector<float> values = samplesFromText(shown);
    QStringList actual;
    for (const QPolygonF &line : trendLines(values, QRectF(0, 0, 100, 50), trendScale(values, 2))) {
        QStringList points;
        for (const QPointF &point : line)
            points << QStringLiteral("%1,%2").arg(point.x()).arg(point.y());
        actual << points.join(' ');
    }
    QCOMPARE(actual.join('|'), expected);
}

QTEST_APPLESS_MAIN(tst_Trend)
#include "tst_trend.moc"
