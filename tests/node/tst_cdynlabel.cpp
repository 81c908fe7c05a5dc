#include "CDynLabel.h"
#include "FontFit.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QScreen>
#include <QTest>
#include <QTextDocument>

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
    void repaintShowsWhatAFullPaintShows_data();
    void repaintShowsWhatAFullPaintShows();
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

void tst_CDynLabel::repaintShowsWhatAFullPaintShows_data()
{
    QTest::addColumn<int>("alignment");
    QTest::addColumn<QStringList>("texts"); // "!" in front: in the Critical colours
    const int value = int(Qt::AlignRight | Qt::AlignTop);
    QTest::newRow("value") << value
                           << QStringList{"21.5", "21.6", "21.9", "22.0", "22.0",  "19.8",  "9.7",
                                          "-0.3", "--",   "21.1", "21.7", "!21.7", "!21.8", "21.4"};
    // A change that came with the Critical colours goes back in them.
    QTest::newRow("alarm and back") << value << QStringList{"21.5", "21.6", "!21.8", "!21.6"};
    QTest::newRow("humidity") << value << QStringList{"45.0", "45.5", "48.5", "100.0", "99.9"};
    QTest::newRow("centred") << int(Qt::AlignCenter)
                             << QStringList{"Lab 1", "Lab 2", "Lab 12", "Lab 13", "Cold store"};
    QTest::newRow("left") << int(Qt::AlignTop)
                          << QStringList{"\u00b0C", "\u00b0F", "% rF", "%rF!", "%rF?"};
    // What QLabel takes for rich text is laid out as a document, not as the line of its source.
    QTest::newRow("rich text") << value
                               << QStringList{"21.5", "<b>21.5</b>", "<b>31.5</b>", "<i>9.7</i>",
                                              "21.6", "21\u20286",   "31\u20286"};
}

// A label that only repaints the glyphs that changed must end up showing what a label painted
// whole shows, whatever came before, and must not repaint the rest.
void tst_CDynLabel::repaintShowsWhatAFullPaintShows()
{
    QFETCH(int, alignment);
    QFETCH(QStringList, texts);

    QPalette normal;
    normal.setColor(QPalette::WindowText, QColor("#f0f4f8"));
    normal.setColor(QPalette::Window, QColor("#101820"));
    QPalette critical = normal;
    critical.setColor(QPalette::Window, QColor("#b01818"));

    struct Shown
    {
        QWidget window;
        CDynLabel *label = new CDynLabel(QString(), &window);
        QImage shot() const
        {
            return window.screen()->grabWindow(window.winId()).toImage().copy(label->geometry());
        }
    } changed, whole;
    QRegion painted;
    for (Shown *shown : {&changed, &whole}) {
        shown->window.resize(420, 140);
        shown->label->setGeometry(10, 10, 384, 120);
        shown->label->setAlignment(Qt::Alignment(alignment));
        shown->label->setAutoFillBackground(true);
        shown->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shown->window));
    }
    struct PaintSpy : QObject
    {
        QRegion *painted;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                *painted += static_cast<QPaintEvent *>(event)->region();
            return false;
        }
    } spy;
    spy.painted = &painted;
    changed.label->installEventFilter(&spy);

    QString before;
    for (QString text : texts) {
        const bool alarm = text.startsWith('!');
        text = alarm ? text.mid(1) : text;
        const QPalette &palette = alarm ? critical : normal;
        const QFont fontBefore = changed.label->font();
        const QPalette paletteBefore = changed.label->palette();
        painted = QRegion();
        changed.label->setTextAndPalette(text, palette);
        whole.label->setTextAndPalette(text, palette);
        whole.label->repaint();
        QTRY_COMPARE(changed.shot(), whole.shot());

        // One or two new digits at the end of a value of the same width leave its start alone.
        const bool sameWidth = QFontMetrics(fontBefore).horizontalAdvance(before) ==
                               QFontMetrics(fontBefore).horizontalAdvance(text);
        if (before.size() == text.size() && before.left(2) == text.left(2) && sameWidth &&
            !Qt::mightBeRichText(text) && changed.label->font() == fontBefore &&
            palette == paletteBefore)
            QVERIFY2(!painted.contains(QPoint(5, 60)), qPrintable(before + " to " + text));
        before = text;
    }
}
