#include "CDynLabel.h"
#include "CStretchItem.h"

#include <QGridLayout>
#include <QTest>

class tst_CStretchItem : public QObject
{
    Q_OBJECT

private slots:
    void sameSizesAsQt_data();
    void sameSizesAsQt();
    void sameGeometryInAGrid();
};

// The item must give the grid exactly what Qt's own item gives it, whatever the label shows.
void tst_CStretchItem::sameSizesAsQt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QSize>("minimum"); // explicit minimum size, 0 x 0 for none
    QTest::addColumn<QSize>("maximum"); // explicit maximum size, invalid for none
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<bool>("aligned");   // an alignment in the cell
    QTest::addColumn<bool>("expanding"); // a policy that heeds the hints

    const QString text = QStringLiteral("21.50");
    QTest::newRow("empty") << QString() << QSize() << QSize() << false << false << false;
    QTest::newRow("value") << text << QSize() << QSize() << false << false << false;
    QTest::newRow("long text") << QStringLiteral("a rather long text ").repeated(8) << QSize()
                               << QSize() << false << false << false;
    QTest::newRow("bounds") << text << QSize(40, 30) << QSize(300, 90) << false << false << false;
    QTest::newRow("hidden") << text << QSize(40, 30) << QSize() << true << false << false;
    QTest::newRow("aligned") << text << QSize() << QSize(300, 90) << false << true << false;
    QTest::newRow("expanding") << text << QSize() << QSize() << false << false << true;
}

void tst_CStretchItem::sameSizesAsQt()
{
    QFETCH(QString, text);
    QFETCH(QSize, minimum);
    QFETCH(QSize, maximum);
    QFETCH(bool, hidden);
    QFETCH(bool, aligned);
    QFETCH(bool, expanding);

    QWidget tile;
    CDynLabel label(text, &tile);
    label.setMinimumSize(minimum.expandedTo(QSize(0, 0)));
    if (maximum.isValid())
        label.setMaximumSize(maximum);
    label.setVisible(!hidden);
    if (expanding)
        label.setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    CStretchItem item(&label);
    QWidgetItem qtItem(&label);
    if (aligned) {
        item.setAlignment(Qt::AlignCenter);
        qtItem.setAlignment(Qt::AlignCenter);
    }
    QCOMPARE(item.sizeHint(), qtItem.sizeHint());
    QCOMPARE(item.minimumSize(), qtItem.minimumSize());
    QCOMPARE(item.maximumSize(), qtItem.maximumSize());
}

// A grid of labels lays out alike with either item, and changing a text keeps it so.
void tst_CStretchItem::sameGeometryInAGrid()
{
    QWidget ours, qts;
    auto *ourGrid = new QGridLayout(&ours);
    auto *qtGrid = new QGridLayout(&qts);
    QList<CDynLabel *> ourLabels, qtLabels;
    for (int i = 0; i < 6; ++i) {
        ourLabels << new CDynLabel(QString::number(i * 11.5));
        qtLabels << new CDynLabel(QString::number(i * 11.5));
        CStretchItem::addTo(ourGrid, ourLabels.last(), i / 2, i % 2);
        qtGrid->addWidget(qtLabels.last(), i / 2, i % 2);
    }
    for (QGridLayout *grid : {ourGrid, qtGrid}) {
        grid->setColumnStretch(0, 3);
        grid->setColumnStretch(1, 1);
    }
    QCOMPARE(ourLabels[0]->parentWidget(), &ours);
    QCOMPARE(ourGrid->itemAtPosition(2, 1)->widget(), ourLabels[5]);
    ours.resize(640, 360);
    qts.resize(640, 360);
    ours.show();
    qts.show();
    for (const QString &text : {QStringLiteral("-12.75"), QStringLiteral("a long text, 1234567")}) {
        ourLabels[2]->setText(text);
        qtLabels[2]->setText(text);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        for (int i = 0; i < 6; ++i) {
            QVERIFY(ourLabels[i]->isVisible());
            QCOMPARE(ourLabels[i]->geometry(), qtLabels[i]->geometry());
        }
    }
}

QTEST_MAIN(tst_CStretchItem)
#include "tst_cstretchitem.moc"
