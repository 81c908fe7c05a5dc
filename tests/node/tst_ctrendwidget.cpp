#include "CTrendWidget.h"
#include "SampleText.h"

#include <QImage>
#include <QTest>

class tst_CTrendWidget : public QObject
{
    Q_OBJECT

private slots:
    void pixels_data();
    void pixels();
};

void tst_CTrendWidget::pixels_data()
{
    QTest::addColumn<QString>("samples");
    QTest::addColumn<QString>("columns"); // per column x = 150 ... 199: '#' line, '.' none

    // In a 200 x 100 cell with a 2 px pen the newest sample stands at x = 198, older ones 2 px
    // apart to the left.
    const QString none(50, '.');
    QTest::newRow("no samples") << "" << none;
    QTest::newRow("only gaps") << "_ _ _" << none;
    QTest::newRow("eleven samples")
        << "1 2 3 4 5 6 7 8 9 10 11" << QString(27, '.') + QString(22, '#') + '.';
    QTest::newRow("a gap breaks the line")
        << "5 5 5 _ _ _ _ _ 5 5 5" << QString(27, '.') + "######..........######.";
}

void tst_CTrendWidget::pixels()
{
    QFETCH(QString, samples);
    QFETCH(QString, columns);

    CTrendWidget trend(2.0f);
    QPalette palette = trend.palette();
    palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    palette.setColor(QPalette::Window, QColor(0, 0, 128));
    trend.setPalette(palette);
    trend.resize(200, 100);
    for (float sample : TestSupport::samplesFromText(samples))
        trend.addSample(sample);

    const QImage image = trend.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QString actual;
    for (int x = 150; x < 200; ++x) {
        bool line = false;
        for (int y = 0; y < image.height(); ++y)
            line = line || qRed(image.pixel(x, y)) > 128;
        actual += line ? '#' : '.';
    }
    QCOMPARE(actual, columns);

    // Elsewhere only the background, and the line rises from bottom left to top right.
    QCOMPARE(image.pixel(100, 50), QColor(0, 0, 128).rgb());
    if (samples.startsWith("1 ")) {
        auto topOfLine = [&image](int x) {
            int y = 0;
            while (y < image.height() && image.pixel(x, y) != QColor(255, 0, 0).rgb())
                ++y;
            return y;
        };
        QVERIFY2(topOfLine(197) + 40 < topOfLine(179),
                 qPrintable(QStringLiteral("%1 %2").arg(topOfLine(197)).arg(topOfLine(179))));
        // The highest, "11.0", stands at the top, wider than the lowest, "1.0", at the bottom.
        auto textRight = [&image](int top) {
            int right = 0;
            for (int x = 0; x < 100; ++x)
                for (int y = top; y < top + 16; ++y)
                    right = qRed(image.pixel(x, y)) > 128 ? x : right;
            return right;
        };
        QVERIFY(textRight(0) > textRight(image.height() - 16) + 3);
    }
}

QTEST_MAIN(tst_CTrendWidget)
#include "tst_ctrendwidget.moc"
