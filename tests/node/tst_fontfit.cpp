#include "FontFit.h"

#include <QTest>
#include <limits>

class tst_FontFit : public QObject
{
    Q_OBJECT

private slots:
    void pixelSize_data();
    void pixelSize();
};

void tst_FontFit::pixelSize_data()
{
    QTest::addColumn<QSize>("contents");
    QTest::addColumn<QSize>("probe");
    QTest::addColumn<int>("expected"); // -1: the font is left alone

    QTest::newRow("width decides") << QSize(400, 100) << QSize(200, 50) << 190;
    QTest::newRow("height decides") << QSize(400, 40) << QSize(200, 50) << 80;
    QTest::newRow("57.9 truncates to 57") << QSize(579, 1000) << QSize(950, 50) << 57;
    QTest::newRow("tie") << QSize(100, 95) << QSize(100, 100) << 95;
    QTest::newRow("grows past 100") << QSize(1900, 1000) << QSize(50, 100) << 1000;
    QTest::newRow("no width") << QSize(0, 100) << QSize(200, 50) << 0;
    QTest::newRow("no height") << QSize(400, 0) << QSize(200, 50) << 0;
    QTest::newRow("widest label, 1 px ink")
        << QSize(16777215, 16777215) << QSize(1, 1) << 1593835392;
    // Beyond any widget's size the result saturates rather than overflowing the conversion.
    QTest::newRow("huge width, 1 px ink")
        << QSize(std::numeric_limits<int>::max(), std::numeric_limits<int>::max()) << QSize(1, 1)
        << std::numeric_limits<int>::max();
    // Found by fuzz/fuzz_label (fuzz/regressions/fuzz_label/float-to-int-overflow).
    QTest::newRow("huge negative width")
        << QSize(-1684360552, 7177110) << QSize(1, 1) << std::numeric_limits<int>::min();
    // A text of blanks has no ink at all.
    QTest::newRow("blank: zero-width probe") << QSize(400, 100) << QSize(0, 117) << -1;
    QTest::newRow("zero-height probe") << QSize(400, 100) << QSize(80, 0) << -1;
    QTest::newRow("zero-height probe, no height") << QSize(400, 0) << QSize(80, 0) << -1;
    QTest::newRow("empty probe") << QSize(400, 100) << QSize(0, 0) << -1;
}

void tst_FontFit::pixelSize()
{
    QFETCH(QSize, contents);
    QFETCH(QSize, probe);
    QFETCH(int, expected);

    QCOMPARE(fittedPixelSize(contents, probe).value_or(-1), expected);
}

QTEST_APPLESS_MAIN(tst_FontFit)
#include "tst_fontfit.moc"
