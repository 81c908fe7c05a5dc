// The model against simulated device hosts in the "devices" namespace, reached over the veth pair.
#include "CDevListItem.h"
#include "CDevListModel.h"
#include "CSettings.h"
#include "DevSim.h"
#include "SettingsFixture.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <utility>

namespace {

struct Device
{
    QString name;
    QString mac;
    QString address;
};

} // namespace

class tst_DiscoveryDevices : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void listsDevicesAndUpdatesThemInPlace();

private:
    bool start(const Device &device);
    QStringList rows(const CDevListModel &model) const;

    QScopedPointer<SettingsFixture> m_settings;
    QList<QProcess *> m_devices;
};

void tst_DiscoveryDevices::initTestCase()
{
    REQUIRE_PRIVATE_NETWORK();
    m_settings.reset(new SettingsFixture);
    g_settings->m_scanPort = 9806;
}

void tst_DiscoveryDevices::cleanup()
{
    for (QProcess *process : std::as_const(m_devices)) {
        process->kill();
        process->waitForFinished();
    }
    qDeleteAll(m_devices);
    m_devices.clear();
}

// Starts a simulated device host and waits until it listens.
bool tst_DiscoveryDevices::start(const Device &device)
{
    auto *process = new QProcess;
    m_devices << process;
    return TestSupport::startListening(*process,
                                       {"--name", device.name, "--mac", device.mac, "--address",
                                        device.address, "--http-port", "0", "--scan-port",
                                        QString::number(g_settings->m_scanPort), "--no-drift"},
                                       "devices");
}

QStringList tst_DiscoveryDevices::rows(const CDevListModel &model) const
{
    QStringList result;
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < 3; ++column)
            cells << model.index(row, column).data().toString();
        result << cells.join(QLatin1Char(' '));
    }
    return result;
}

void tst_DiscoveryDevices::listsDevicesAndUpdatesThemInPlace()
{
    const QList<Device> devices = {{"kitchen", "02:00:00:00:0A:01", "10.77.0.2"},
                                   {"Cellar", "02:00:00:00:0A:02", "10.77.0.3"},
                                   {"office-3", "02:00:00:00:0A:03", "10.77.0.4"}};
    for (const Device &device : devices)
        QVERIFY(start(device));

    CDevListModel model(nullptr);
    QTRY_COMPARE_WITH_TIMEOUT(model.rowCount(), 3, 1000);
    QStringList found = rows(model);
    found.sort();
    QCOMPARE(found, QStringList({"Cellar 10.77.0.3 02:00:00:00:0A:02",
                                 "kitchen 10.77.0.2 02:00:00:00:0A:01",
                                 "office-3 10.77.0.4 02:00:00:00:0A:03"}));
    // What the setup dialog reads of a selected device.
    const CDevListItem *item = model.itemForIndex(model.index(0, 2));
    QCOMPARE(rows(model).at(0),
             item->m_hostName + ' ' + item->m_address.toString() + ' ' + item->m_macText);

    // One device comes back under a new name and address; a second scan updates every row in
    // place and adds the new device at the end.
    const QStringList before = rows(model);
    const int moved = before.indexOf(QStringLiteral("Cellar 10.77.0.3 02:00:00:00:0A:02"));
    QVERIFY(moved >= 0);
    m_devices[1]->kill();
    m_devices[1]->waitForFinished();
    QVERIFY(start({"cellar-2", "02:00:00:00:0A:02", "10.77.0.9"}));
    QVERIFY(start({"attic", "02:00:00:00:0A:04", "10.77.0.5"}));

    QSignalSpy inserted(&model, SIGNAL(rowsInserted(QModelIndex, int, int)));
    QSignalSpy changed(&model, SIGNAL(dataChanged(QModelIndex, QModelIndex, QVector<int>)));
    model.scan();
    QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 3, 1000);
    QTRY_COMPARE_WITH_TIMEOUT(model.rowCount(), 4, 1000);
    QCOMPARE(inserted.count(), 1);
    for (const QList<QVariant> &signal : std::as_const(changed))
        QCOMPARE(signal.at(0).toModelIndex().column(), 1);

    QStringList expected = before;
    expected[moved] = QStringLiteral("cellar-2 10.77.0.9 02:00:00:00:0A:02");
    expected << QStringLiteral("attic 10.77.0.5 02:00:00:00:0A:04");
    QCOMPARE(rows(model), expected);
}

QTEST_GUILESS_MAIN(tst_DiscoveryDevices)
#include "tst_discoverydevices.moc"
