#include "BrimoPanel.h"
#include "CDynLabel.h"
#include "CNodeWidget.h"
#include "CSettings.h"
#include "CSetupDlg.h"
#include "DevSim.h"
#include "ModalDriver.h"
#include "SettingsFixture.h"

#include <QProcess>
#include <QScopedPointer>
#include <QSettings>
#include <QTest>

// From an empty panel to a polling tile: the setup dialog opens by itself, finds a simulated device
// in the "devices" namespace, places it in slot 0, 0 and is accepted.
class tst_SetupFlow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void emptyPanelToPollingTile();

private:
    QScopedPointer<SettingsFixture> m_settings;
    QProcess m_device;
};

void tst_SetupFlow::initTestCase()
{
    REQUIRE_PRIVATE_NETWORK();
    m_settings.reset(new SettingsFixture(false));

    // The panel polls the bare announced address, so the device serves on port 80.
    TestSupport::DevSimPorts ports;
    QVERIFY(
        TestSupport::startListening(m_device,
                                    {"--name", "sim1", "--mac", "02:00:00:00:00:11", "--address",
                                     "10.77.0.2", "--http-port", "80", "--no-drift"},
                                    "devices", &ports));
    QCOMPARE(ports.http, quint16(80));
}

void tst_SetupFlow::cleanupTestCase()
{
    m_device.terminate();
    m_device.waitForFinished();
}

void tst_SetupFlow::emptyPanelToPollingTile()
{
    m_settings->reload();
    BrimoPanel panel(nullptr);
    panel.show();

    bool opened = false;
    bool discovered = false;
    whenModal<CSetupDlg>([&](CSetupDlg *dialog) {
        opened = true;
        QAbstractItemModel *devices = dialog->devListView->model();
        discovered = QTest::qWaitFor([devices] { return devices->rowCount() > 0; }, 10000);
        if (!discovered) {
            dialog->pushButtonCancel->click();
            return;
        }
        dialog->devListView->setCurrentIndex(devices->index(0, 0));
        dialog->devTable->setCurrentCell(0, 0);
        QTest::mouseClick(dialog->pushButtonAdd, Qt::LeftButton);
        QTest::mouseClick(dialog->pushButtonOk, Qt::LeftButton);
    });
    QTRY_VERIFY(opened);
    QVERIFY(discovered);

    QCOMPARE(g_settings->m_host[0][0], QStringLiteral("sim1 [10.77.0.2]"));
    QSettings file(m_settings->iniPath(), QSettings::IniFormat);
    QCOMPARE(file.value(QStringLiteral("Device00/Host")).toString(),
             QStringLiteral("sim1 [10.77.0.2]"));

    QTRY_COMPARE(panel.findChildren<CNodeWidget *>().size(), 1);
    // The tile shows what the device serves: 21.5 °C with --no-drift.
    auto shows = [&panel](const QString &text) {
        for (const CDynLabel *label : panel.findChildren<CDynLabel *>()) {
            if (label->text() == text)
                return true;
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(shows(QStringLiteral("21.5")), 10000);
}

QTEST_MAIN(tst_SetupFlow)
#include "tst_setupflow.moc"
