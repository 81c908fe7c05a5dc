// The real brimopanel on a virtual screen, with simulated devices in the private network: what the
// user sees (checked on screenshot pixels) and what the setup dialog writes.
#include "E2eSupport.h"
#include "TestSupport.h"

#include <QFileInfo>
#include <QtTest>

using namespace E2e;

namespace {

QByteArray fileContents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString hostOf(const QString &settingsFile, const QString &group)
{
    return QSettings(settingsFile, QSettings::IniFormat).value(group + "/Host").toString();
}

// Pixels dark enough to be text on the dialog's light list.
int darkPixels(const QImage &image, const QRect &area)
{
    const QRect clipped = area & image.rect();
    int count = 0;
    for (int y = clipped.top(); y <= clipped.bottom(); ++y)
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            count += qGray(image.pixel(x, y)) < 96;
    return count;
}

// The device list of the setup dialog, header included: the upper part of the dialog.
QRect listArea(const QRect &dialog)
{
    return QRect(dialog.left() + dialog.width() * 5 / 100,
                 dialog.top() + dialog.height() * 17 / 100, dialog.width() * 90 / 100,
                 dialog.height() * 43 / 100);
}

} // namespace

class tst_WholeProgram : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void tilesShowReadingsInStatusColours();
    void trendsInTheHistoryColumn_data();
    void trendsInTheHistoryColumn();
    void emptySettingsOpenSetupAndEscapeKeepsTheFile();
    void scanAddAndOkWriteTheSettingsAndShowTheTile();
    void pressAndHoldReachesSetup();

private:
    QRect waitForSetupDialog();
    bool addFirstListedDevice(const QRect &dialog);

    Screen m_screen;
};

void tst_WholeProgram::initTestCase()
{
    REQUIRE_PRIVATE_NETWORK(); // the setup dialog broadcasts
    QVERIFY2(m_screen.start(QSize(1024, 768)),
             "needs Xvfb and matchbox-window-manager (scripts/deps.sh installs them)");
}

QRect tst_WholeProgram::waitForSetupDialog()
{
    QRect dialog;
    QElapsedTimer timer;
    timer.start();
    while ((dialog = m_screen.window("CSetupDlg")).isNull() && timer.elapsed() < 10000)
        QTest::qWait(100);
    if (dialog.isNull())
        return dialog;
    // Painted: its light list is there, and two screenshots in a row agree on it.
    QImage last;
    waitForScreen(m_screen, [&](const QImage &image) {
        const QImage now = image.copy(dialog);
        const QRect list = listArea(dialog);
        const bool painted =
            now == last && darkPixels(image, list) < list.width() * list.height() / 4;
        last = now;
        return painted;
    });
    return dialog;
}

// Gives the device list the focus with a click into it, selects its first row and presses Add.
bool tst_WholeProgram::addFirstListedDevice(const QRect &dialog)
{
    return m_screen.click(QPoint(dialog.center().x(), dialog.top() + dialog.height() / 2)) &&
           m_screen.key("Home") && m_screen.key("alt+a");
}

void tst_WholeProgram::tilesShowReadingsInStatusColours()
{
    Device first(2, {"--no-drift", "--no-discovery", "--temperature", "21.5", "--humidity", "45"});
    Device second(3, {"--no-drift", "--no-discovery", "--temperature", "23.4", "--humidity", "50"});
    QVERIFY(first.start());
    QVERIFY(second.start());
    Panel panel(m_screen);
    QVERIFY(writeSettings(panel.settingsFile(), {"lab-1 [10.77.0.2]", "lab-2 [10.77.0.3]"}));
    QVERIFY(panel.start());

    const QSize size = m_screen.size();
    const QRect tiles[2] = {tileArea(size, 0), tileArea(size, 1)};
    auto showReadings = [&](const QImage &image) {
        for (const QRect &tile : tiles)
            for (int sensor = 0; sensor < 3; ++sensor)
                if (countColour(image, valueArea(sensorBand(tile, sensor)), NormalForeground) < 200)
                    return false;
        return true;
    };
    const QImage normal = waitForScreen(m_screen, showReadings, 10000);
    QVERIFY2(showReadings(normal), qPrintable(panel.log()));

    // Full screen on the frame colour: all around and between the two tiles.
    QVERIFY(edgesInFrameColour(normal));
    QVERIFY(allColour(normal, QRect(size.width() / 2 - 1, 0, 2, size.height()), FrameColor));
    for (const QRect &tile : tiles) {
        for (int sensor = 0; sensor < 3; ++sensor) {
            const QRect band = sensorBand(tile, sensor);
            QVERIFY(countColour(normal, band, NormalBackground) > band.width() * band.height() / 4);
            QCOMPARE(countColour(normal, band, CriticalBackground), 0);
        }
    }
    QCOMPARE(countColour(normal, normal.rect(), WarningBackground), 0);

    // Temperature and dew point turn critical; humidity and the other tile stay as they are.
    QVERIFY(first.set("temperature=35"));
    auto critical = [&](const QImage &image) {
        for (int sensor : {0, 2}) {
            const QRect band = sensorBand(tiles[0], sensor);
            if (countColour(image, band, CriticalBackground) < band.width() * band.height() / 4 ||
                countColour(image, valueArea(band), CriticalForeground) < 200)
                return false;
        }
        return true;
    };
    const QImage alarm = waitForScreen(m_screen, critical);
    QVERIFY(critical(alarm));
    const QRect humidity = sensorBand(tiles[0], 1);
    QCOMPARE(countColour(alarm, humidity, CriticalBackground), 0);
    QVERIFY(countColour(alarm, humidity, NormalBackground) >
            humidity.width() * humidity.height() / 4);
    QVERIFY(alarm.copy(tiles[1]) == normal.copy(tiles[1]));
    QCOMPARE(countColour(alarm, alarm.rect(), WarningBackground), 0);

    // Back to the first reading: the tile looks exactly as before, in the Normal colours.
    QVERIFY(first.set("temperature=21.5"));
    const QImage calm = waitForScreen(m_screen, [&](const QImage &image) {
        return image.copy(tiles[0]) == normal.copy(tiles[0]);
    });
    QVERIFY(calm.copy(tiles[0]) == normal.copy(tiles[0]));

    QVERIFY2(panel.quit(), qPrintable(panel.log()));
}

void tst_WholeProgram::trendsInTheHistoryColumn_data()
{
    QTest::addColumn<bool>("shown");
    QTest::newRow("trends on") << true;
    QTest::newRow("trends off") << false;
}

void tst_WholeProgram::trendsInTheHistoryColumn()
{
    QFETCH(bool, shown);

    Device device(5, {"--no-discovery", "--drift-every-poll"});
    QVERIFY(device.start());
    Panel panel(m_screen);
    const TestSupport::SlotColors colors{NormalForeground,  NormalBackground,   WarningForeground,
                                         WarningBackground, CriticalForeground, CriticalBackground};
    QByteArray text = "[%General]\nFrameColor=" + FrameColor.name().toLatin1() +
                      (shown ? "\nShowHistory=true\n\n" : "\n\n");
    text += TestSupport::slotGroup(0, 0, "drifting [10.77.0.5]", colors);
    text += TestSupport::slotGroup(0, 1, "steady [10.77.0.2]", colors);
    QVERIFY(TestSupport::writeSettingsFile(panel.settingsFile(), text));
    panel.setEnvironment("BRIMO_HISTORY_INTERVAL_MS", "100");
    QVERIFY(panel.start());

    // The right part of the history column, clear of the small minimum and maximum texts; the
    // columns are stretched 1:3:1.
    const QRect tile = tileArea(m_screen.size(), 0);
    auto trendArea = [&tile](int sensor) {
        const QRect band = sensorBand(tile, sensor);
        return QRect(band.left() + band.width() / 10, band.top() + band.height() / 4,
                     band.width() / 10 - 8, band.height() / 2);
    };
    auto lines = [&](const QImage &image) {
        return countColour(image, trendArea(0), NormalForeground) > 20 &&
               countColour(image, trendArea(1), NormalForeground) > 20;
    };
    // Readings first, then time for some dozens of samples.
    auto readings = [&tile](const QImage &image) {
        return countColour(image, valueArea(sensorBand(tile, 0)), NormalForeground) > 200;
    };
    QVERIFY2(readings(waitForScreen(m_screen, readings, 10000)), qPrintable(panel.log()));
    const QImage image =
        shown ? waitForScreen(m_screen, lines, 10000) : (QTest::qWait(3000), m_screen.grab());
    QCOMPARE(lines(image), shown);
    if (!shown) {
        for (int sensor = 0; sensor < 3; ++sensor)
            QVERIFY(allColour(image, trendArea(sensor), FrameColor));
    } else {
        QVERIFY(allColour(image, trendArea(2), FrameColor)); // the dew point has no history
    }
    QVERIFY2(panel.quit(), qPrintable(panel.log()));
}

void tst_WholeProgram::emptySettingsOpenSetupAndEscapeKeepsTheFile()
{
    Device device(4, {"--name", "e2e-store", "--mac", "02:00:00:00:00:04", "--no-drift"});
    QVERIFY(device.start());
    Panel panel(m_screen);
    QVERIFY(writeSettings(panel.settingsFile(), {})); // colours, but no slot in use
    const QByteArray before = fileContents(panel.settingsFile());
    const QDateTime modified = QFileInfo(panel.settingsFile()).lastModified();
    QVERIFY(panel.start());

    const QRect dialog = waitForSetupDialog();
    QVERIFY2(!dialog.isNull(), qPrintable(panel.log()));
    QVERIFY(edgesInFrameColour(m_screen.grab())); // the empty panel behind it

    // The device answers the dialog's first request at once; placing it changes the slot in
    // memory only.
    QTest::qWait(700);
    QVERIFY(addFirstListedDevice(dialog));
    QVERIFY(m_screen.key("Escape"));
    QTRY_VERIFY_WITH_TIMEOUT(m_screen.window("CSetupDlg").isNull(), 5000);

    // Not saved and not rebuilt: no tile appears, the file stays as it was.
    QTest::qWait(1500);
    const QImage image = m_screen.grab();
    QVERIFY(allColour(image, image.rect(), FrameColor));
    QCOMPARE(fileContents(panel.settingsFile()), before);
    QVERIFY2(panel.quit(), qPrintable(panel.log()));
    QCOMPARE(fileContents(panel.settingsFile()), before);
    QCOMPARE(QFileInfo(panel.settingsFile()).lastModified(), modified);
}

void tst_WholeProgram::scanAddAndOkWriteTheSettingsAndShowTheTile()
{
    Panel panel(m_screen);
    QVERIFY(writeSettings(panel.settingsFile(), {}));
    QVERIFY(panel.start());
    const QRect dialog = waitForSetupDialog();
    QVERIFY2(!dialog.isNull(), qPrintable(panel.log()));
    const int emptyList = darkPixels(m_screen.grab(), listArea(dialog)); // the header only

    // The device comes up after the dialog's first request: only Scan finds it.
    Device device(2, {"--name", "e2e-lab", "--mac", "02:00:00:00:00:02", "--no-drift"});
    QVERIFY(device.start());
    QTest::qWait(500);
    QCOMPARE(darkPixels(m_screen.grab(), listArea(dialog)), emptyList);
    QVERIFY(m_screen.key("alt+s"));
    const QImage listed = waitForScreen(m_screen, [&](const QImage &image) {
        return darkPixels(image, listArea(dialog)) > emptyList + 20;
    });
    const bool found = darkPixels(listed, listArea(dialog)) > emptyList + 20;
    if (wineListsNoInterfaces()) {
        QVERIFY2(!found, "Wine was said to list no interfaces, yet the panel found the device");
        QSKIP("this Wine lists no network interfaces to Qt, so the panel has none to broadcast on");
    }
    QVERIFY(found);

    QVERIFY(addFirstListedDevice(dialog));
    QVERIFY(m_screen.key("alt+o"));
    QTRY_VERIFY_WITH_TIMEOUT(m_screen.window("CSetupDlg").isNull(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(hostOf(panel.settingsFile(), "Device00"),
                              QString("e2e-lab [10.77.0.2]"), 5000);

    // The one tile fills the panel and shows the device's temperature in the slot's colours: the
    // slot had no device when the panel started, so it has the scheme's own colours.
    const CColorSettings scheme;
    const QSize size = m_screen.size();
    const QRect value(size.width() / 4, 30, size.width() / 2, size.height() - 60);
    auto showsTile = [&](const QImage &image) {
        return countColour(image, value, scheme.m_temperatureValueNormalBackground) >
                   value.width() * value.height() / 4 &&
               countColour(image, value, scheme.m_temperatureValueNormalForeground) > 200;
    };
    const QImage tile = waitForScreen(m_screen, showsTile);
    QVERIFY(showsTile(tile));
    QVERIFY(edgesInFrameColour(tile));

    QVERIFY2(panel.quit(), qPrintable(panel.log()));
    QCOMPARE(hostOf(panel.settingsFile(), "Device00"), QString("e2e-lab [10.77.0.2]"));
}

// A touch screen has no right button: holding the left one (as a finger would) opens the menu, and
// its Setup entry the setup dialog. Letting go after the menu came up chooses nothing.
void tst_WholeProgram::pressAndHoldReachesSetup()
{
    Panel panel(m_screen);
    QVERIFY(writeSettings(panel.settingsFile(), {"lab-1 [10.77.0.2]"}));
    QVERIFY(panel.start());
    QTRY_COMPARE_WITH_TIMEOUT(panel.windows().size(), 1, 10000);

    const QPoint at(m_screen.size().width() / 2, m_screen.size().height() / 2);
    QVERIFY(m_screen.click(at)); // a short click does nothing
    QTest::qWait(1200);
    QCOMPARE(panel.windows().size(), 1);

    QVERIFY(m_screen.mouse("mousedown"));
    QTest::qWait(1200);
    QVERIFY(m_screen.mouse("mouseup"));
    QTest::qWait(300);
    QList<QRect> windows = panel.windows();
    windows.removeAll(QRect(QPoint(0, 0), m_screen.size()));
    QCOMPARE(windows.size(), 1);
    const QRect menu = windows.first();
    QCOMPARE(menu.topLeft(), at);

    // Setup is the first of the two entries.
    QVERIFY(m_screen.click(QPoint(menu.center().x(), menu.top() + menu.height() / 4)));
    QVERIFY2(!waitForSetupDialog().isNull(), qPrintable(panel.log()));
    QVERIFY(m_screen.key("Escape"));
    QTRY_VERIFY_WITH_TIMEOUT(m_screen.window("CSetupDlg").isNull(), 5000);
    QVERIFY2(panel.quit(), qPrintable(panel.log()));
}

QTEST_GUILESS_MAIN(tst_WholeProgram)
#include "tst_wholeprogram.moc"
