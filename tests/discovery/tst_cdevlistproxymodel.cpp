#include "CDevListProxyModel.h"
#include "TestSupport.h"

#include <QStandardItemModel>
#include <QTest>

class tst_CDevListProxyModel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sort_data();
    void sort();
    void sortLine();

private:
    QScopedPointer<TestSupport::DebugLog> m_log;
};

void tst_CDevListProxyModel::initTestCase()
{
    m_log.reset(new TestSupport::DebugLog);
}

void tst_CDevListProxyModel::sort_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("sorted");

    QTest::newRow("last octet weighs most") << 1 << QStringList{"10.0.0.30", "192.168.1.20"}
                                            << QStringList{"192.168.1.20", "10.0.0.30"};
    QTest::newRow("fourth, then third octet")
        << 1 << QStringList{"192.168.1.6", "192.168.2.5", "192.168.1.5"}
        << QStringList{"192.168.1.5", "192.168.2.5", "192.168.1.6"};
    QTest::newRow("by last octet") << 1 << QStringList{"192.168.1.3", "10.0.0.2", "10.0.0.1"}
                                   << QStringList{"10.0.0.1", "10.0.0.2", "192.168.1.3"};
    QTest::newRow("first octet counts unsigned")
        << 1 << QStringList{"200.1.1.1", "100.1.1.1"} << QStringList{"100.1.1.1", "200.1.1.1"};
    QTest::newRow("empty address first")
        << 1 << QStringList{"10.77.0.2", "", "0.0.0.1"} << QStringList{"", "0.0.0.1", "10.77.0.2"};
    QTest::newRow("no IPv4 counts as 0")
        << 1 << QStringList{"1.2.3.4", "::1"} << QStringList{"::1", "1.2.3.4"};
    QTest::newRow("upper case first") << 0 << QStringList{"beta", "alpha", "Zeta", "Alpha"}
                                      << QStringList{"Alpha", "Zeta", "alpha", "beta"};
    QTest::newRow("MAC as text") << 2
                                 << QStringList{"0A:00:00:00:00:01", "02:00:00:00:00:FF",
                                                "02:00:00:00:00:1F"}
                                 << QStringList{"02:00:00:00:00:1F", "02:00:00:00:00:FF",
                                                "0A:00:00:00:00:01"};
}

void tst_CDevListProxyModel::sort()
{
    QFETCH(int, column);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, sorted);

    QStandardItemModel source(0, 3);
    for (const QString &text : texts) {
        QList<QStandardItem *> row{new QStandardItem, new QStandardItem, new QStandardItem};
        row[column]->setText(text);
        source.appendRow(row);
    }
    CDevListProxyModel proxy(nullptr);
    proxy.setSourceModel(&source);
    proxy.sort(column, Qt::AscendingOrder);

    QStringList result;
    for (int r = 0; r < proxy.rowCount(); ++r)
        result << proxy.index(r, column).data().toString();
    QCOMPARE(result, sorted);
}

void tst_CDevListProxyModel::sortLine()
{
    QStandardItemModel source(0, 3);
    source.appendRow({new QStandardItem("b"), new QStandardItem, new QStandardItem});
    source.appendRow({new QStandardItem("a"), new QStandardItem, new QStandardItem});
    CDevListProxyModel proxy(nullptr);
    proxy.setSourceModel(&source);
    m_log->clear();
    proxy.sort(0);
    QVERIFY(!m_log->lines().isEmpty());
    for (const QString &line : m_log->lines()) {
        QVERIFY2(line.startsWith(QLatin1String("Sort ")), qPrintable(line));
        QVERIFY2(line.contains(QLatin1String("\"a\"")) && line.contains(QLatin1String("\"b\"")),
                 qPrintable(line));
    }
}

QTEST_GUILESS_MAIN(tst_CDevListProxyModel)
#include "tst_cdevlistproxymodel.moc"
