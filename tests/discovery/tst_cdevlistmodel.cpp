#include "WineInterfaces.h" // first: its winsock2.h comes before any windows.h

#include "Announcement.h"
#include "CDevListItem.h"
#include "CDevListModel.h"
#include "CDevListProxyModel.h"
#include "CSettings.h"
#include "SettingsFixture.h"

#include <QAbstractItemModelTester>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

using TestSupport::announcement;
using TestSupport::testMac;

namespace {

const quint16 ScanPort = 9806;

// Runs ip(8) in the test's private namespace.
bool ip(const QStringList &arguments)
{
    return QProcess::execute(QStringLiteral("ip"), arguments) == 0;
}

} // namespace

class tst_CDevListModel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void emptyModel();
    void sameMacUpdatesRow();
    void twoMacsOneAddress();
    void ignoredFormat();
    void shortAnnouncement();
    void ownRequestDropped();
    void otherMessageTypes_data();
    void otherMessageTypes();
    void scanKeepsRows();
    void broadcastPerIPv4Entry();
    void itemForIndex();
    void setData_data();
    void setData();
    void manyDevices();
    void proxyResortsOnNewAddress();

private:
    void send(const QByteArray &datagram);
    QStringList row(int r) const;

    QScopedPointer<TestSupport::DebugLog> m_log;
    QScopedPointer<SettingsFixture> m_settings;
    QUdpSocket m_sender;
    CDevListModel *m_model = nullptr;
};

void tst_CDevListModel::initTestCase()
{
    REQUIRE_PRIVATE_NETWORK();
    m_settings.reset(new SettingsFixture);
    g_settings->m_scanPort = ScanPort;
    m_log.reset(new TestSupport::DebugLog);
}

void tst_CDevListModel::init()
{
    m_log->clear();
    m_model = new CDevListModel(this);
    new QAbstractItemModelTester(m_model, QAbstractItemModelTester::FailureReportingMode::QtTest,
                                 m_model);
}

void tst_CDevListModel::cleanup()
{
    delete m_model;
    m_model = nullptr;
}

void tst_CDevListModel::send(const QByteArray &datagram)
{
    QCOMPARE(m_sender.writeDatagram(datagram, QHostAddress::LocalHost, ScanPort),
             qint64(datagram.size()));
}

QStringList tst_CDevListModel::row(int r) const
{
    QStringList cells;
    for (int column = 0; column < 3; ++column)
        cells << m_model->index(r, column).data().toString();
    return cells;
}

void tst_CDevListModel::emptyModel()
{
    QCOMPARE(m_model->rowCount(), 0);
    QCOMPARE(m_model->columnCount(), 3);
    QCOMPARE(m_model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Hostname"));
    QCOMPARE(m_model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("IP Address"));
    QCOMPARE(m_model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("MAC Address"));
    QVERIFY(!m_model->headerData(3, Qt::Horizontal).isValid());
    QVERIFY(!m_model->headerData(0, Qt::Horizontal, Qt::ToolTipRole).isValid());
    QCOMPARE(m_model->headerData(0, Qt::Vertical).toString(), QStringLiteral("1"));
    QCOMPARE(m_model->headerData(41, Qt::Vertical).toString(), QStringLiteral("42"));
    QVERIFY(!m_model->data(QModelIndex()).isValid());
    QVERIFY(!m_model->index(0, 0).isValid());
    QCOMPARE(m_model->flags(QModelIndex()), Qt::NoItemFlags);
}

void tst_CDevListModel::sameMacUpdatesRow()
{
    QSignalSpy inserted(m_model, SIGNAL(rowsInserted(QModelIndex, int, int)));
    QSignalSpy changed(m_model, SIGNAL(dataChanged(QModelIndex, QModelIndex, QVector<int>)));

    send(announcement(testMac(1), QStringLiteral("10.77.0.20"), "alpha"));
    QTRY_COMPARE(m_model->rowCount(), 1);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 0);
    QCOMPARE(inserted.at(0).at(2).toInt(), 0);
    QCOMPARE(row(0), QStringList({"alpha", "10.77.0.20", "02:00:00:00:00:01"}));
    QCOMPARE(changed.count(), 0);

    send(announcement(testMac(1), QStringLiteral("10.77.0.21"), "beta", 7));
    QTRY_COMPARE(changed.count(), 1);
    QCOMPARE(m_model->rowCount(), 1);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(row(0), QStringList({"beta", "10.77.0.21", "02:00:00:00:00:01"}));
    QCOMPARE(m_model->itemForIndex(m_model->index(0, 0))->m_formatByte, 7);
    const QModelIndex cell = m_model->index(0, 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex(), cell);
    QCOMPARE(changed.at(0).at(1).toModelIndex(), cell);
    QVERIFY(changed.at(0).at(2).value<QVector<int>>().isEmpty());
}

void tst_CDevListModel::twoMacsOneAddress()
{
    send(announcement(testMac(1), QStringLiteral("10.77.0.20"), "one"));
    send(announcement(testMac(2), QStringLiteral("10.77.0.20"), "two"));
    QTRY_COMPARE(m_model->rowCount(), 2);
    QCOMPARE(row(0), QStringList({"one", "10.77.0.20", "02:00:00:00:00:01"}));
    QCOMPARE(row(1), QStringList({"two", "10.77.0.20", "02:00:00:00:00:02"}));
}

void tst_CDevListModel::ignoredFormat()
{
    send(announcement(testMac(1), QStringLiteral("10.77.0.20"), "one"));
    QTRY_COMPARE(m_model->rowCount(), 1);
    QSignalSpy changed(m_model, SIGNAL(dataChanged(QModelIndex, QModelIndex, QVector<int>)));

    // Neither an update of a listed device nor a new one; the last datagram marks the end.
    send(announcement(testMac(1), QStringLiteral("10.77.0.99"), "changed", 16));
    send(announcement(testMac(2), QStringLiteral("10.77.0.98"), "new", 16));
    send(announcement(testMac(3), QStringLiteral("10.77.0.30"), "marker"));
    QTRY_COMPARE(m_model->rowCount(), 2);
    QCOMPARE(row(0), QStringList({"one", "10.77.0.20", "02:00:00:00:00:01"}));
    QCOMPARE(row(1), QStringList({"marker", "10.77.0.30", "02:00:00:00:00:03"}));
    QCOMPARE(changed.count(), 0);
}

void tst_CDevListModel::shortAnnouncement()
{
    QSignalSpy changed(m_model, SIGNAL(dataChanged(QModelIndex, QModelIndex, QVector<int>)));
    send(QByteArray::fromHex("0000000001"));
    QTRY_COMPARE(m_model->rowCount(), 1);
    QCOMPARE(row(0), QStringList({"", "0.0.0.0", "00:00:00:00:00:00"}));
    send(QByteArray::fromHex("0000000001"));
    QTRY_COMPARE(changed.count(), 1);
    QCOMPARE(m_model->rowCount(), 1);
}

void tst_CDevListModel::ownRequestDropped()
{
    if (TestSupport::wineListsNoInterfaces()) {
        QVERIFY2(QNetworkInterface::allInterfaces().isEmpty(),
                 "Wine was said to list no interfaces, yet Qt lists some");
        QSKIP("this Wine lists no network interfaces to Qt, so the model has none to broadcast on");
    }
    // The request broadcast on vp0 at construction comes back to the model's own socket.
    QTRY_VERIFY(m_log->lines().contains(QStringLiteral("Not announced 0")));
    QCOMPARE(m_model->rowCount(), 0);
}

void tst_CDevListModel::otherMessageTypes_data()
{
    QTest::addColumn<int>("type");
    QTest::newRow("request") << 0;
    QTest::newRow("2") << 2;
    QTest::newRow("255") << 255;
}

void tst_CDevListModel::otherMessageTypes()
{
    QFETCH(int, type);
    QByteArray datagram = announcement(testMac(1), QStringLiteral("10.77.0.20"), "one");
    datagram[4] = char(type);
    QTest::ignoreMessage(QtDebugMsg, qPrintable(QStringLiteral("Not announced %1").arg(type)));
    send(datagram);
    send(announcement(testMac(2), QStringLiteral("10.77.0.30"), "marker"));
    QTRY_COMPARE(m_model->rowCount(), 1);
    QCOMPARE(row(0).at(0), QStringLiteral("marker"));
}

void tst_CDevListModel::scanKeepsRows()
{
    send(announcement(testMac(1), QStringLiteral("10.77.0.20"), "one"));
    send(announcement(testMac(2), QStringLiteral("10.77.0.21"), "two"));
    QTRY_COMPARE(m_model->rowCount(), 2);

    m_model->scan();
    send(announcement(testMac(2), QStringLiteral("10.77.0.22"), "two again"));
    send(announcement(testMac(3), QStringLiteral("10.77.0.23"), "three"));
    QTRY_COMPARE(m_model->rowCount(), 3);
    QTRY_COMPARE(row(1).at(0), QStringLiteral("two again"));
    QCOMPARE(row(0), QStringList({"one", "10.77.0.20", "02:00:00:00:00:01"}));
    QCOMPARE(row(1), QStringList({"two again", "10.77.0.22", "02:00:00:00:00:02"}));
    QCOMPARE(row(2), QStringList({"three", "10.77.0.23", "02:00:00:00:00:03"}));
}

void tst_CDevListModel::broadcastPerIPv4Entry()
{
#ifdef Q_OS_WIN
    QSKIP("adds an address through ip(8): Wine never sees a Linux program it starts end");
#endif
    QVERIFY(ip({"addr", "add", "10.77.1.1/24", "brd", "10.77.1.255", "dev", "vp0"}));
    QUdpSocket listener;
    QVERIFY(listener.bind(QHostAddress::AnyIPv4, ScanPort,
                          QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
    QStringList destinations;
    connect(&listener, &QUdpSocket::readyRead, [&] {
        while (listener.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = listener.receiveDatagram();
            QCOMPARE(datagram.data(), QByteArray(128, '\0'));
            destinations << datagram.destinationAddress().toString();
        }
    });

    {
        CDevListModel model(nullptr);
        QTRY_COMPARE(destinations.size(), 2);
        model.scan();
        QTRY_COMPARE(destinations.size(), 4);
        QTest::qWait(100);
    }
    ip({"addr", "del", "10.77.1.1/24", "dev", "vp0"});
    destinations.sort();
    QCOMPARE(destinations,
             QStringList({"10.77.0.255", "10.77.0.255", "10.77.1.255", "10.77.1.255"}));
}

void tst_CDevListModel::itemForIndex()
{
    send(announcement(testMac(1), QStringLiteral("10.77.0.20"), "one"));
    QTRY_COMPARE(m_model->rowCount(), 1);
    const QModelIndex first = m_model->index(0, 2);
    CDevListItem *item = m_model->itemForIndex(first);
    QCOMPARE(item->m_hostName, QStringLiteral("one"));
    QCOMPARE(item->m_address, QHostAddress(QStringLiteral("10.77.0.20")));
    QCOMPARE(item->row(), 0);
    QVERIFY(!m_model->parent(first).isValid());
    QCOMPARE(m_model->rowCount(first), 0);

    CDevListItem *root = m_model->itemForIndex(QModelIndex());
    QVERIFY(root != item);
    QCOMPARE(root->childCount(), 1);
    QCOMPARE(root->child(0), item);
    QVERIFY(!root->child(1));
    QVERIFY(!root->child(-1));
    QVERIFY(!m_model->index(1, 0).isValid());
    QVERIFY(!m_model->index(0, 3).isValid());
    QVERIFY(!m_model->data(first, Qt::DecorationRole).isValid());
    QCOMPARE(m_model->data(first, Qt::EditRole).toString(), QStringLiteral("02:00:00:00:00:01"));
    QCOMPARE(m_model->flags(first), Qt::ItemIsSelectable | Qt::ItemIsEnabled);
}

void tst_CDevListModel::setData_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QStringList>("cells");

    const QStringList unchanged = {"one", "10.77.0.20", "02:00:00:00:00:01"};
    QTest::newRow("host name") << 0 << int(Qt::EditRole) << "renamed" << true
                               << QStringList({"renamed", "10.77.0.20", "02:00:00:00:00:01"});
    QTest::newRow("address") << 1 << int(Qt::EditRole) << "10.77.0.77" << true
                             << QStringList({"one", "10.77.0.77", "02:00:00:00:00:01"});
    QTest::newRow("not an address") << 1 << int(Qt::EditRole) << "nowhere" << true
                                    << QStringList({"one", "", "02:00:00:00:00:01"});
    QTest::newRow("MAC stays") << 2 << int(Qt::EditRole) << "AA:BB:CC:DD:EE:FF" << true
                               << unchanged;
    QTest::newRow("display role") << 0 << int(Qt::DisplayRole) << "renamed" << false << unchanged;
}

void tst_CDevListModel::setData()
{
    QFETCH(int, column);
    QFETCH(int, role);
    QFETCH(QString, value);
    QFETCH(bool, accepted);
    QFETCH(QStringList, cells);

    send(announcement(testMac(1), QStringLiteral("10.77.0.20"), "one"));
    QTRY_COMPARE(m_model->rowCount(), 1);
    QSignalSpy changed(m_model, SIGNAL(dataChanged(QModelIndex, QModelIndex, QVector<int>)));
    const QModelIndex cell = m_model->index(0, column);
    QCOMPARE(m_model->setData(cell, value, role), accepted);
    QCOMPARE(row(0), cells);
    QCOMPARE(changed.count(), accepted ? 1 : 0);
    if (accepted)
        QCOMPARE(changed.at(0).at(0).toModelIndex(), cell);

    // The root has no cells to set.
    QVERIFY(!m_model->setData(QModelIndex(), value, Qt::EditRole));
    // A MAC set this way does not fork the device: its next announcement still updates row 0.
    send(announcement(testMac(1), QStringLiteral("10.77.0.21"), "one"));
    QTRY_COMPARE(row(0).at(1), QStringLiteral("10.77.0.21"));
    QCOMPARE(m_model->rowCount(), 1);
}

void tst_CDevListModel::manyDevices()
{
    // The tester re-reads the whole model on every insertion.
    qDeleteAll(m_model->findChildren<QAbstractItemModelTester *>());
    // Sent in batches that fit the socket's receive buffer.
    const int devices = 20000;
    for (int n = 0; n < devices; ++n) {
        send(announcement(testMac(n), QStringLiteral("10.77.0.20"), "d" + QByteArray::number(n)));
        if (n % 100 == 99)
            QTRY_COMPARE(m_model->rowCount(), n + 1);
    }
    QSignalSpy changed(m_model, SIGNAL(dataChanged(QModelIndex, QModelIndex, QVector<int>)));
    for (int n : {0, 7777, devices - 1})
        send(announcement(testMac(n), QStringLiteral("10.77.0.21"), "again"));
    QTRY_COMPARE(changed.count(), 3);
    QCOMPARE(m_model->rowCount(), devices);
    for (int n : {0, 7777, devices - 1}) {
        QCOMPARE(row(n).at(0), QStringLiteral("again"));
        QCOMPARE(row(n).at(2), QString::fromLatin1(testMac(n).toHex(':').toUpper()));
    }
    QCOMPARE(changed.at(1).at(0).toModelIndex(), m_model->index(7777, 1));
    QCOMPARE(row(7778).at(0), QStringLiteral("d7778"));
}

void tst_CDevListModel::proxyResortsOnNewAddress()
{
    CDevListProxyModel proxy(nullptr);
    proxy.setSourceModel(m_model);
    proxy.setDynamicSortFilter(true);
    proxy.sort(1, Qt::AscendingOrder);

    send(announcement(testMac(1), QStringLiteral("10.77.0.2"), "one"));
    send(announcement(testMac(2), QStringLiteral("10.77.0.3"), "two"));
    QTRY_COMPARE(proxy.rowCount(), 2);
    QCOMPARE(proxy.index(0, 0).data().toString(), QStringLiteral("one"));

    send(announcement(testMac(1), QStringLiteral("10.77.0.4"), "one"));
    QTRY_COMPARE(proxy.index(0, 0).data().toString(), QStringLiteral("two"));
    QCOMPARE(proxy.index(1, 1).data().toString(), QStringLiteral("10.77.0.4"));
}

QTEST_GUILESS_MAIN(tst_CDevListModel)
#include "tst_cdevlistmodel.moc"
