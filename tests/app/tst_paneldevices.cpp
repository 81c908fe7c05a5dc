#include "BrimoPanel.h"
#include "CColorSettings.h"
#include "CDynLabel.h"
#include "CNodeWidget.h"
#include "CSettings.h"
#include "PanelTestSupport.h"
#include "SettingsFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QScopedPointer>
#include <QTest>

// The whole panel, built from a settings file, showing two simulated devices.
class tst_PanelDevices : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void frame();
    void readings_data();
    void readings();

private:
    QScopedPointer<SettingsFixture> m_settings;
    QScopedPointer<FakeDevice> m_north;
    QScopedPointer<FakeDevice> m_south;
    QScopedPointer<BrimoPanel> m_panel;
};

static const QColor frameColor(0x20, 0x30, 0x40);
// Per slot: text colours for status 0 and for any other status, one background for both.
static const QColor northNormal(0x00, 0xff, 0x00), northCritical(0xff, 0x00, 0x00),
    northBackground(0x00, 0x00, 0x30);
static const QColor southNormal(0x00, 0xff, 0xff), southCritical(0xff, 0x00, 0xff),
    southBackground(0x30, 0x00, 0x00);

void tst_PanelDevices::initTestCase()
{
    REQUIRE_PRIVATE_NETWORK();
    m_settings.reset(new SettingsFixture(false));

    m_north.reset(new FakeDevice(R"({"sensor":[
        {"status":"0","value":"21.5","unit":"&deg;C"},
        {"status":"1","value":"45.0","unit":"% rF"},
        {"status":"0","value":"9.3","unit":"&deg;C"}]})"));
    m_south.reset(new FakeDevice(R"({"sensor":[
        {"status":"2","value":"-3.25","unit":"&deg;C"},
        {"status":"0","value":"88","unit":"% rF"},
        {"status":"-1","value":"-5.0","unit":"&deg;C"}]})"));
    QVERIFY(m_north->isListening() && m_south->isListening());

    using TestSupport::slotGroup;
    QVERIFY(m_settings->write(TestSupport::generalGroup(frameColor) +
                              slotGroup(0, 1, m_north->hostText(),
                                        {northNormal, northBackground, northNormal, northBackground,
                                         northCritical, northBackground},
                                        0xff, {1, 3, 2}) +
                              slotGroup(2, 0, m_south->hostText(),
                                        {southNormal, southBackground, southNormal, southBackground,
                                         southCritical, southBackground},
                                        0xff, {1, 3, 2})));
    m_settings->reload();
    QCOMPARE(g_settings->m_host[2][0], m_south->hostText());

    m_panel.reset(new BrimoPanel(nullptr));
    m_panel->resize(900, 600);
    m_panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_panel.data()));
    QCOMPARE(m_panel->findChildren<CNodeWidget *>().size(), 2);
}

void tst_PanelDevices::cleanupTestCase()
{
    m_panel.reset();
}

void tst_PanelDevices::frame()
{
    QWidget *central = m_panel->centralWidget();
    QCOMPARE(central->palette().color(QPalette::Window), frameColor);
    QCOMPARE(central->grab().toImage().pixelColor(1, 1), frameColor);
}

void tst_PanelDevices::readings_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("sensor");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QColor>("foreground");
    QTest::addColumn<QColor>("background");

    const QString degrees = QStringLiteral("\u00b0C");
    const QString humidity = QStringLiteral("% rF");
    QTest::newRow("north temperature")
        << 0 << 1 << 0 << "21.5" << degrees << northNormal << northBackground;
    QTest::newRow("north humidity")
        << 0 << 1 << 1 << "45.0" << humidity << northCritical << northBackground;
    QTest::newRow("north dew point")
        << 0 << 1 << 2 << "9.3" << degrees << northNormal << northBackground;
    QTest::newRow("south temperature")
        << 2 << 0 << 0 << "-3.25" << degrees << southCritical << southBackground;
    QTest::newRow("south humidity")
        << 2 << 0 << 1 << "88" << humidity << southNormal << southBackground;
    QTest::newRow("south dew point")
        << 2 << 0 << 2 << "-5.0" << degrees << southCritical << southBackground;
}

void tst_PanelDevices::readings()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, sensor);
    QFETCH(QString, value);
    QFETCH(QString, unit);
    QFETCH(QColor, foreground);
    QFETCH(QColor, background);

    auto *grid =
        qobject_cast<QGridLayout *>(m_panel->centralWidget()->layout()->itemAt(0)->layout());
    QVERIFY(grid);
    QLayoutItem *item = grid->itemAtPosition(row, column);
    QVERIFY(item);
    auto *tile = qobject_cast<CNodeWidget *>(item->widget());
    QVERIFY(tile);
    auto *tileGrid = qobject_cast<QGridLayout *>(tile->layout());
    QVERIFY(tileGrid);
    auto *valueLabel = qobject_cast<CDynLabel *>(tileGrid->itemAtPosition(sensor, 1)->widget());
    auto *unitLabel = qobject_cast<CDynLabel *>(tileGrid->itemAtPosition(sensor, 2)->widget());
    QVERIFY(valueLabel && unitLabel);

    QTRY_COMPARE_WITH_TIMEOUT(valueLabel->text(), value, 5000);
    QCOMPARE(unitLabel->text(), unit);
    for (CDynLabel *label : {valueLabel, unitLabel}) {
        QCOMPARE(label->palette().color(QPalette::WindowText), foreground);
        QCOMPARE(label->palette().color(QPalette::Window), background);
        QVERIFY(label->isVisible());
    }
}

BRIMO_APPLICATION_TEST_MAIN(tst_PanelDevices)
#include "tst_paneldevices.moc"
