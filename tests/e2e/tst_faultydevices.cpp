// The real brimopanel with a healthy device and one that answers well first and then turns faulty:
// the panel keeps running, the healthy tile keeps updating, the faulty one keeps what it showed.
#include "E2eSupport.h"
#include "TestSupport.h"

#include <QtTest>

using namespace E2e;

class tst_FaultyDevices : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void panelSurvivesFaultyDevice_data();
    void panelSurvivesFaultyDevice();
    void hangingDeviceMarkedStale();

private:
    Screen m_screen;
};

void tst_FaultyDevices::initTestCase()
{
    REQUIRE_PRIVATE_NETWORK();
    QVERIFY2(m_screen.start(QSize(1024, 768)),
             "needs Xvfb and matchbox-window-manager (scripts/deps.sh installs them)");
}

void tst_FaultyDevices::panelSurvivesFaultyDevice_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("keepsReadings"); // else its labels go blank

    QTest::newRow("slow") << "slow:1500" << true; // never in time for the next poll
    QTest::newRow("hang") << "hang" << true;
    QTest::newRow("garbage") << "garbage" << true;
    QTest::newRow("non-json") << "non-json" << true;
    QTest::newRow("wrong-types: sensor an object") << "wrong-types:2" << true;
    // Elements whose members are numbers instead of strings count as readings without texts:
    // the tile shows them as blank labels in the Normal colours.
    QTest::newRow("wrong-types: numbers") << "wrong-types:0" << false;
    QTest::newRow("huge") << "huge" << true; // cut off unread
    QTest::newRow("reset") << "reset" << true;
    QTest::newRow("http-error") << "http-error:500" << true;
}

void tst_FaultyDevices::panelSurvivesFaultyDevice()
{
    QFETCH(QString, fault);
    QFETCH(bool, keepsReadings);

    Device healthy(2,
                   {"--no-drift", "--no-discovery", "--temperature", "21.5", "--humidity", "45"});
    Device faulty(3, {"--no-drift", "--no-discovery", "--temperature", "18.2", "--humidity", "55"});
    QVERIFY(healthy.start());
    QVERIFY(faulty.start());
    Panel panel(m_screen);
    QVERIFY(writeSettings(panel.settingsFile(), {"healthy [10.77.0.2]", "faulty [10.77.0.3]"}));
    QVERIFY(panel.start());

    const QRect tiles[2] = {tileArea(m_screen.size(), 0), tileArea(m_screen.size(), 1)};
    auto showsReadings = [](const QImage &image, const QRect &tile) {
        for (int sensor = 0; sensor < 3; ++sensor)
            if (countColour(image, valueArea(sensorBand(tile, sensor)), NormalForeground) < 200)
                return false;
        return true;
    };
    const QImage good = waitForScreen(
        m_screen,
        [&](const QImage &image) {
            return showsReadings(image, tiles[0]) && showsReadings(image, tiles[1]);
        },
        10000);
    QVERIFY2(showsReadings(good, tiles[1]), qPrintable(panel.log()));
    const QImage goodFaultyTile = good.copy(tiles[1]);

    auto faultyTileAsExpected = [&](const QImage &image) {
        if (keepsReadings)
            return image.copy(tiles[1]) == goodFaultyTile;
        const QRect &tile = tiles[1];
        return countColour(image, tile, NormalForeground) == 0 &&
               countColour(image, tile, NormalBackground) > tile.width() * tile.height() / 3;
    };

    // The faulty tile shows what the fault does once a poll has met it; while the healthy tile
    // follows its device through several polls, it stays so.
    QVERIFY(faulty.set("fault=" + fault));
    QImage image = waitForScreen(m_screen, faultyTileAsExpected, 10000);
    QVERIFY(panel.running());
    QVERIFY(faultyTileAsExpected(image));

    // The healthy tile still follows its device within a poll or two.
    for (const char *temperature : {"24.6", "19.3", "22.8"}) {
        const QImage before = image.copy(tiles[0]);
        QVERIFY(healthy.set(QStringLiteral("temperature=") + temperature));
        image = waitForScreen(
            m_screen, [&](const QImage &shot) { return shot.copy(tiles[0]) != before; }, 3000);
        QVERIFY2(image.copy(tiles[0]) != before, "the healthy tile stopped updating");
        QVERIFY(showsReadings(image, tiles[0]));
        QVERIFY(faultyTileAsExpected(image));
        QVERIFY2(panel.running(), qPrintable(panel.log()));
    }

    QVERIFY2(panel.quit(), qPrintable(panel.log()));
}

// With StaleAfter in the file, a device that hangs has its values replaced by "--" in the Normal
// colours while its units keep theirs; when it answers again its readings are back.
void tst_FaultyDevices::hangingDeviceMarkedStale()
{
    Device healthy(2, {"--no-drift", "--no-discovery"});
    Device faulty(3, {"--no-drift", "--no-discovery", "--temperature", "35"}); // critical
    QVERIFY(healthy.start());
    QVERIFY(faulty.start());
    Panel panel(m_screen);
    QVERIFY(writeSettings(panel.settingsFile(), {"healthy [10.77.0.2]", "faulty [10.77.0.3]"}));
    QSettings(panel.settingsFile(), QSettings::IniFormat).setValue("General/StaleAfter", 2);
    QVERIFY(panel.start());

    const QRect healthyTile = tileArea(m_screen.size(), 0);
    const QRect temperature = sensorBand(tileArea(m_screen.size(), 1), 0);
    const QRect value = valueArea(temperature);
    const QRect unit(temperature.left() + temperature.width() * 85 / 100, temperature.top(),
                     temperature.width() * 13 / 100, temperature.height());
    auto mostly = [](const QImage &image, const QRect &area, const QColor &colour) {
        return countColour(image, area, colour) > area.width() * area.height() / 2;
    };
    auto healthyShowsReadings = [&](const QImage &image) {
        for (int sensor = 0; sensor < 3; ++sensor)
            if (countColour(image, valueArea(sensorBand(healthyTile, sensor)), NormalForeground) <
                200)
                return false;
        return true;
    };
    auto live = [&](const QImage &image) {
        return countColour(image, value, CriticalForeground) > 200 &&
               mostly(image, unit, CriticalBackground) && healthyShowsReadings(image);
    };
    auto stale = [&](const QImage &image) {
        return countColour(image, value, CriticalBackground) == 0 &&
               mostly(image, value, NormalBackground) &&
               countColour(image, value, NormalForeground) > 20 && // the dashes
               mostly(image, unit, CriticalBackground) && healthyShowsReadings(image);
    };

    QVERIFY2(live(waitForScreen(m_screen, live, 10000)), qPrintable(panel.log()));
    QVERIFY(faulty.set("fault=hang"));
    QVERIFY2(stale(waitForScreen(m_screen, stale, 10000)), qPrintable(panel.log()));
    QVERIFY(faulty.set("fault=none"));
    QVERIFY(live(waitForScreen(m_screen, live, 5000)));
    QVERIFY2(panel.quit(), qPrintable(panel.log()));
}

QTEST_GUILESS_MAIN(tst_FaultyDevices)
#include "tst_faultydevices.moc"
