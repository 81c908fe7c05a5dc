#include "CDynLabel.h"
#include "FontFit.h"

#include <QFontMetrics>
#include <QTest>

class tst_CDynLabel : public QObject
{
    Q_OBJECT

private slots:
    void sizeHint_data();
    void sizeHint();
    void fitsOnResize_data();
    void fitsOnResize();
    void setTextDoesNotRefit();
    void setTextAndPaletteRefits();
    void textWithoutInkKeepsFont_data();
    void textWithoutInkKeepsFont();
};

// The pixel size a bold font of the label's family gets for `text` in `contents`.
static int expectedPixelSize(const CDynLabel &label, const QString &text, const QSize &contents)
{
    QFont probe = label.font();
    probe.setWeight(QFont::Bold);
    probe.setPixelSize(100);
    return *fittedPixelSize(contents, QFontMetrics(probe).boundingRect(text).size());
}

void tst_CDynLabel::sizeHint_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("short") << QStringLiteral("1");
    QTest::newRow("long") << QStringLiteral("a rather long text for a label, 1234567890");
}

void tst_CDynLabel::sizeHint()
{
    QFETCH(QString, text);
    CDynLabel label(text);
    QCOMPARE(label.sizeHint(), QSize(100, 100));
    QCOMPARE(label.sizePolicy().horizontalPolicy(), QSizePolicy::Ignored);
    QCOMPARE(label.sizePolicy().verticalPolicy(), QSizePolicy::Ignored);
    QCOMPARE(label.sizePolicy().controlType(), QSizePolicy::DefaultType);
}

void tst_CDynLabel::fitsOnResize_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QSize>("size");
    QTest::newRow("wide cell") << QStringLiteral("21.50") << QSize(600, 80);
    QTest::newRow("tall cell") << QStringLiteral("21.50") << QSize(120, 300);
    QTest::newRow("unit") << QStringLiteral("\u00b0C") << QSize(200, 200);
}

void tst_CDynLabel::fitsOnResize()
{
    QFETCH(QString, text);
    QFETCH(QSize, size);

    CDynLabel label(text);
    label.resize(size);
    label.show(); // the first fitting comes with the first resize event
    QCOMPARE(label.font().pixelSize(), expectedPixelSize(label, text, label.contentsRect().size()));
    QCOMPARE(label.font().weight(), int(QFont::Bold));

    // The result does not depend on the size the font had before.
    label.resize(size / 2);
    label.resize(size);
    QCOMPARE(label.font().pixelSize(), expectedPixelSize(label, text, label.contentsRect().size()));
}

void tst_CDynLabel::setTextDoesNotRefit()
{
    CDynLabel label(QStringLiteral("1"));
    label.resize(400, 100);
    label.show();
    const QFont fitted = label.font();

    label.setText(QStringLiteral("123456789"));
    QCOMPARE(label.font(), fitted);

    label.resize(400, 101);
    QCOMPARE(label.font().pixelSize(),
             expectedPixelSize(label, label.text(), label.contentsRect().size()));
}

void tst_CDynLabel::setTextAndPaletteRefits()
{
    CDynLabel label{QString()};
    label.resize(400, 100);
    label.show();
    const QFont initial = label.font();
    QCOMPARE(label.font().weight(), int(QFont::Normal)); // empty text: never fitted

    QPalette palette = label.palette();
    palette.setBrush(QPalette::All, QPalette::WindowText, QBrush(Qt::red));
    label.setTextAndPalette(QStringLiteral("123456789"), palette);

    QCOMPARE(label.text(), QStringLiteral("123456789"));
    QCOMPARE(label.palette().color(QPalette::WindowText), QColor(Qt::red));
    QCOMPARE(label.font().weight(), int(QFont::Bold));
    QCOMPARE(label.font().family(), initial.family());
    QCOMPARE(label.font().pixelSize(),
             expectedPixelSize(label, label.text(), label.contentsRect().size()));
}

void tst_CDynLabel::textWithoutInkKeepsFont_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    // Devices may send a value of one blank, whose ink box is 0 px wide, or a tab, 0 px high.
    QTest::newRow("blank") << QStringLiteral(" ");
    QTest::newRow("no-break space") << QStringLiteral("\u00a0");
    QTest::newRow("tab") << QStringLiteral("\t");
}

void tst_CDynLabel::textWithoutInkKeepsFont()
{
    QFETCH(QString, text);

    CDynLabel label(QStringLiteral("21.5"));
    label.resize(400, 100);
    label.show();
    const QFont fitted = label.font();

    label.setTextAndPalette(text, label.palette());
    QCOMPARE(label.text(), text);
    QCOMPARE(label.font(), fitted);

    label.resize(300, 50);
    QCOMPARE(label.font(), fitted);

    // A fresh label keeps its inherited, unfitted font.
    CDynLabel fresh(text);
    const QFont inherited = fresh.font();
    fresh.resize(400, 100);
    fresh.show();
    fresh.setTextAndPalette(text, fresh.palette());
    QCOMPARE(fresh.font(), inherited);
}

QTEST_MAIN(tst_CDynLabel)
#include "tst_cdynlabel.moc"
