#include "CSettings.h"
#include "SettingsFixture.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QScopedPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

class tst_CSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void defaultsOfEmptyFile();
    void groupWithoutHost();
    void groupWithOnlyHost();
    void port_data();
    void port();
    void booleans_data();
    void booleans();
    void enableKeys_data();
    void enableKeys();
    void colorKeyOrder();
    void colors_data();
    void colors();
    void saveKeepsWhatItDoesNotOwn();
    void optInKeys_data();
    void optInKeys();
    void wallKeys_data();
    void wallKeys();
    void saveRemovesFreeSlots();
    void roundTrip();
    void clearDevices();
    void staleAfter_data();
    void staleAfter();
    void unsafeValues_data();
    void unsafeValues();
    void typedValueIgnored_data();
    void typedValueIgnored();
    void qt5File();
    void fileSafety_data();
    void fileSafety();

private:
    QString iniPath() const { return m_settings->iniPath(); }
    void writeIni(const QByteArray &text) { QVERIFY(m_settings->write(text)); }
    QByteArray readIni() const { return m_settings->read(); }

    QScopedPointer<SettingsFixture> m_settings;
};

void tst_CSettings::initTestCase()
{
    m_settings.reset(new SettingsFixture(false));
}

void tst_CSettings::init()
{
    QFile::remove(iniPath());
}

void tst_CSettings::defaultsOfEmptyFile()
{
    const CSettings s(QString{});
    QCOMPARE(s.m_store->fileName(), iniPath());
    QCOMPARE(s.m_frameColor, QColor(Qt::black));
    QCOMPARE(s.m_refreshValue, 10);
    QCOMPARE(s.m_refreshHistory, 10);
    QCOMPARE(s.m_scanPort, quint16(9806));
    QCOMPARE(s.m_scanAddress, QStringLiteral("255.255.255.255"));
    QCOMPARE(s.m_sortColumn, 0);
    QCOMPARE(s.m_sortDescending, 0);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            QVERIFY(s.m_host[r][c].isEmpty());
            QCOMPARE(s.m_enableFlags[r][c], quint8(0));
            QCOMPARE(s.m_colors[r][c].m_temperatureValueCriticalForeground, QColor(Qt::red));
        }
    }
}

void tst_CSettings::groupWithoutHost()
{
    writeIni("[Device12]\nDisplaySizeValue=7\nEnableTemperatureValue=true\n"
             "TemperatureValueNormalForeground=#123456\n");
    CSettings s(QString{});
    QVERIFY(s.m_host[1][2].isEmpty());
    QCOMPARE(s.m_enableFlags[1][2], quint8(0));
    QCOMPARE(s.m_colors[1][2].m_temperatureValueNormalForeground, QColor(Qt::white));
    s.save();
    QVERIFY(!readIni().contains("Device12"));
}

void tst_CSettings::groupWithOnlyHost()
{
    writeIni("[Device21]\nHost=lab [10.0.0.7]\n");
    const CSettings s(QString{});
    QCOMPARE(s.m_host[2][1], QStringLiteral("lab [10.0.0.7]"));
    QCOMPARE(s.m_displaySizes[2][1].history, 0);
    QCOMPARE(s.m_displaySizes[2][1].value, 0);
    QCOMPARE(s.m_displaySizes[2][1].unit, 0);
    QCOMPARE(s.m_enableFlags[2][1], quint8(0));
    for (const CColorKey &entry : g_colorKeys)
        QVERIFY2(!(s.m_colors[2][1].*entry.member).isValid(), entry.key);
    // Other slots keep their defaults.
    QVERIFY(s.m_colors[0][0].m_temperatureValueNormalForeground.isValid());
}

void tst_CSettings::port_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("port");
    QTest::newRow("plain") << QByteArray("1234") << 1234;
    QTest::newRow("65535") << QByteArray("65535") << 65535;
    QTest::newRow("65536 wraps to 0") << QByteArray("65536") << 0;
    QTest::newRow("70000 keeps low bits") << QByteArray("70000") << 70000 - 65536;
    QTest::newRow("-1") << QByteArray("-1") << 65535;
    QTest::newRow("not a number") << QByteArray("abc") << 0;
}

void tst_CSettings::port()
{
    QFETCH(QByteArray, stored);
    QFETCH(int, port);
    writeIni("[Scan]\nPort=" + stored + "\nIP=10.1.2.3\n");
    const CSettings s(QString{});
    QCOMPARE(int(s.m_scanPort), port);
    QCOMPARE(s.m_scanAddress, QStringLiteral("10.1.2.3"));
}

void tst_CSettings::booleans_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("set");
    QTest::newRow("true") << QByteArray("true") << true;
    QTest::newRow("TRUE") << QByteArray("TRUE") << true;
    QTest::newRow("1") << QByteArray("1") << true;
    QTest::newRow("yes") << QByteArray("yes") << true;
    QTest::newRow("false") << QByteArray("false") << false;
    QTest::newRow("FaLsE") << QByteArray("FaLsE") << false;
    QTest::newRow("0") << QByteArray("0") << false;
    QTest::newRow("empty") << QByteArray("") << false;
}

void tst_CSettings::booleans()
{
    QFETCH(QByteArray, stored);
    QFETCH(bool, set);
    writeIni("[Device00]\nHost=a [1.2.3.4]\nEnableHumidityUnit=" + stored +
             "\nEnableDewpointUnit=true\n");
    const CSettings s(QString{});
    QCOMPARE(s.m_enableFlags[0][0], quint8((set ? 0x20 : 0) | 0x80));
}

// The stored names, written out: every file saved so far uses them.
void tst_CSettings::enableKeys_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<int>("bit");
    QTest::newRow("0x01") << QByteArray("EnableTemperatureHistory") << 0x01;
    QTest::newRow("0x02") << QByteArray("EnableTemperatureValue") << 0x02;
    QTest::newRow("0x04") << QByteArray("EnableTemperatureUnit") << 0x04;
    QTest::newRow("0x08") << QByteArray("EnableHumidityHistory") << 0x08;
    QTest::newRow("0x10") << QByteArray("EnableHumidityValue") << 0x10;
    QTest::newRow("0x20") << QByteArray("EnableHumidityUnit") << 0x20;
    QTest::newRow("0x40") << QByteArray("EnableDewpointValue") << 0x40;
    QTest::newRow("0x80") << QByteArray("EnableDewpointUnit") << 0x80;
}

void tst_CSettings::enableKeys()
{
    QFETCH(QByteArray, key);
    QFETCH(int, bit);
    writeIni("[Device00]\nHost=a [1.2.3.4]\n" + key + "=true\n");
    CSettings s(QString{});
    QCOMPARE(int(s.m_enableFlags[0][0]), bit);
    s.save();
    QSettings file(iniPath(), QSettings::IniFormat);
    QCOMPARE(file.value("Device00/" + key).toString(), QStringLiteral("true"));
    file.beginGroup("Device00");
    QCOMPARE(file.childKeys().filter("Enable").size(), 8);
}

void tst_CSettings::colorKeyOrder()
{
    QStringList keys;
    for (const CColorKey &entry : g_colorKeys)
        keys << QLatin1String(entry.key);
    QCOMPARE(keys, TestSupport::storedColorKeys());
}

void tst_CSettings::colors_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QColor>("loaded");
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("#rrggbb") << QByteArray("#102030") << QColor(0x10, 0x20, 0x30)
                             << QByteArray("#102030");
    QTest::newRow("name") << QByteArray("red") << QColor(Qt::red) << QByteArray("#ff0000");
    QTest::newRow("alpha dropped")
        << QByteArray("#80123456") << QColor(0x12, 0x34, 0x56, 0x80) << QByteArray("#123456");
    QTest::newRow("not a colour") << QByteArray("nocolour") << QColor() << QByteArray("#000000");
    QTest::newRow("QColor, as QSettings::setValue writes it")
        << QByteArray("@Variant(\\0\\0\\0\\x43\\x1\\xff\\xff\\x1\\x1\\x2\\x2\\x3\\x3\\0\\0)")
        << QColor(1, 2, 3) << QByteArray("#010203");
}

void tst_CSettings::colors()
{
    QFETCH(QByteArray, stored);
    QFETCH(QColor, loaded);
    QFETCH(QByteArray, saved);
    writeIni("[%General]\nFrameColor=" + stored +
             "\n[Device11]\nHost=x [1.1.1.1]\n"
             "HumidityUnitCriticalBackground=" +
             stored + "\n");
    CSettings s(QString{});
    QCOMPARE(s.m_frameColor, loaded);
    QCOMPARE(s.m_colors[1][1].m_humidityUnitCriticalBackground, loaded);
    s.save();
    QSettings file(iniPath(), QSettings::IniFormat);
    QCOMPARE(file.value("General/FrameColor").toByteArray(), saved);
    QCOMPARE(file.value("Device11/HumidityUnitCriticalBackground").toByteArray(), saved);
}

void tst_CSettings::saveKeepsWhatItDoesNotOwn()
{
    writeIni("[Scan]\nPort=1234\nIP=10.9.9.9\n[Sort]\nColumn=2\nDescending=1\n"
             "[SetupDialog]\nGeometry=@ByteArray(abc)\n[Foreign]\nKey=kept\n");
    CSettings s(QString{});
    QCOMPARE(s.m_sortColumn, 2);
    QCOMPARE(s.m_sortDescending, 1);
    s.m_scanPort = 1;
    s.m_scanAddress = QStringLiteral("1.1.1.1");
    s.m_sortColumn = 0;
    s.m_sortDescending = 0;
    s.save();
    QSettings file(iniPath(), QSettings::IniFormat);
    QCOMPARE(file.value("Scan/Port").toInt(), 1234);
    QCOMPARE(file.value("Scan/IP").toString(), QStringLiteral("10.9.9.9"));
    QCOMPARE(file.value("Sort/Column").toInt(), 2);
    QCOMPARE(file.value("Sort/Descending").toInt(), 1);
    QCOMPARE(file.value("Foreign/Key").toString(), QStringLiteral("kept"));
    QCOMPARE(file.value("SetupDialog/Geometry").toByteArray(), QByteArray("abc"));
}

void tst_CSettings::optInKeys_data()
{
    QTest::addColumn<QByteArray>("general"); // lines of [General] besides the frame colour
    QTest::addColumn<bool>("names");
    QTest::addColumn<bool>("history");

    QTest::newRow("absent") << QByteArray() << false << false;
    QTest::newRow("names") << QByteArray("ShowNames=true\n") << true << false;
    QTest::newRow("history") << QByteArray("ShowHistory=1\n") << false << true;
    QTest::newRow("both off") << QByteArray("ShowNames=false\nShowHistory=false\n") << false
                              << false;
}

void tst_CSettings::optInKeys()
{
    QFETCH(QByteArray, general);
    QFETCH(bool, names);
    QFETCH(bool, history);

    writeIni("[%General]\nFrameColor=#010203\n" + general);
    CSettings s(QString{});
    QCOMPARE(s.m_showNames, names);
    QCOMPARE(s.m_showHistory, history);
    s.m_frameColor = QColor(4, 5, 6);
    s.save();

    // The panel never writes these keys: a save keeps them as they were, or absent.
    QSettings file(iniPath(), QSettings::IniFormat);
    for (const char *key : {"ShowNames", "ShowHistory"}) {
        const QString line = QString::fromLatin1(general)
                                 .split('\n')
                                 .filter(QRegularExpression(QStringLiteral("^%1=").arg(key)))
                                 .value(0);
        QCOMPARE(file.value(QStringLiteral("General/") + key).toString(), line.section('=', 1));
    }
    QCOMPARE(file.value("General/FrameColor").toString(), QStringLiteral("#040506"));
}

void tst_CSettings::wallKeys_data()
{
    QTest::addColumn<QByteArray>("pinText");
    QTest::addColumn<QString>("pin"); // empty: unlocked
    QTest::addColumn<QByteArray>("between");
    QTest::addColumn<QString>("dark"); // times of day in the window; empty: no window
    QTest::addColumn<QString>("lit");
    QTest::newRow("across midnight")
        << QByteArray("2468") << "2468" << QByteArray("22:00-06:30") << "22:00 00:00 06:29"
        << "21:59 06:30 12:00";
    QTest::newRow("twelve digits, within a day") << QByteArray("012345678901") << "012345678901"
                                                 << QByteArray("1:05 - 13:00") << "01:05 12:59"
                                                 << "01:04 13:00";
    QTest::newRow("up to midnight")
        << QByteArray("246") << "" << QByteArray("18:00-24:00") << "18:00 23:59"
        << "00:00 17:59";
    QTest::newRow("13 digits, no time")
        << QByteArray("0123456789012") << "" << QByteArray("22:00-22:00") << ""
        << "22:00";
    QTest::newRow("other digits") << QByteArray("\\x662\\x664\\x666\\x668") << ""
                                  << QByteArray("22:60-06:00") << ""
                                  << "22:00";
}

// Read from the general group and kept by every save; a value that cannot be used is said once,
// and the PIN never.
void tst_CSettings::wallKeys()
{
    QFETCH(QByteArray, pinText);
    QFETCH(QString, pin);
    QFETCH(QByteArray, between);
    QFETCH(QString, dark);
    QFETCH(QString, lit);
    const QByteArray general = "SetupPin=" + pinText + "\nSleepAfter=30\nSleepBetween=" + between +
                               "\nSleepCommand=wlopm --off *\nWakeCommand=\"a, b\"\n";
    writeIni("[%General]\n" + general);
    TestSupport::DebugLog log;
    CSettings s(QString{});
    QCOMPARE(s.m_setupPin, pin);
    QCOMPARE(s.m_sleepAfter, 30);
    QVERIFY(s.m_wakeOnCritical);
    QCOMPARE(s.m_sleepCommand + '|' + s.m_wakeCommand, QStringLiteral("wlopm --off *|a, b"));
    QCOMPARE(s.m_sleepBetween.isValid(), !dark.isEmpty());
    for (const QString &time : dark.split(' ', Qt::SkipEmptyParts))
        QVERIFY2(s.m_sleepBetween.contains(QTime::fromString(time, "hh:mm")), qPrintable(time));
    for (const QString &time : lit.split(' '))
        QVERIFY2(!s.m_sleepBetween.contains(QTime::fromString(time, "hh:mm")), qPrintable(time));
    const QStringList said = log.lines().filter(QRegularExpression("^(SetupPin|SleepBetween) "));
    QCOMPARE(said.size(), int(pin.isEmpty()) + int(dark.isEmpty()));
    QVERIFY(!said.join(' ').contains(pinText));
    s.save();
    QVERIFY(readIni().contains(general));
}

void tst_CSettings::saveRemovesFreeSlots()
{
    writeIni("[Device01]\nHost=a [1.2.3.4]\nUnknownKey=1\n[Device02]\nHost=b [1.2.3.5]\n");
    CSettings s(QString{});
    s.m_host[0][1].clear();
    s.save();
    QSettings file(iniPath(), QSettings::IniFormat);
    QVERIFY(!file.childGroups().contains(QStringLiteral("Device01")));
    QCOMPARE(file.value("Device02/Host").toString(), QStringLiteral("b [1.2.3.5]"));
}

void tst_CSettings::roundTrip()
{
    {
        CSettings s(QString{});
        s.m_frameColor = QColor(1, 2, 3);
        s.m_refreshValue = 5;
        s.m_refreshHistory = 77;
        s.m_host[2][2] = QStringLiteral("far [10.0.0.9]");
        s.m_displaySizes[2][2] = {2, 4, 6};
        s.m_enableFlags[2][2] = 0xA5;
        s.m_colors[2][2].m_dewpointUnitWarningBackground = QColor(9, 8, 7);
        s.save();
    }
    QVERIFY(readIni().contains("[%General]"));
    const CSettings s(QString{});
    QCOMPARE(s.m_frameColor, QColor(1, 2, 3));
    QCOMPARE(s.m_refreshValue, 5);
    QCOMPARE(s.m_refreshHistory, 77);
    QCOMPARE(s.m_host[2][2], QStringLiteral("far [10.0.0.9]"));
    QCOMPARE(s.m_displaySizes[2][2].history, 2);
    QCOMPARE(s.m_displaySizes[2][2].value, 4);
    QCOMPARE(s.m_displaySizes[2][2].unit, 6);
    QCOMPARE(s.m_enableFlags[2][2], quint8(0xA5));
    QCOMPARE(s.m_colors[2][2].m_dewpointUnitWarningBackground, QColor(9, 8, 7));
    QCOMPARE(s.m_colors[2][2].m_dewpointUnitCriticalForeground, QColor(Qt::red));
}

void tst_CSettings::clearDevices()
{
    CSettings s(QString{});
    s.m_host[1][0] = QStringLiteral("x [1.2.3.4]");
    s.m_enableFlags[1][0] = 0xff;
    s.m_displaySizes[1][0] = {5, 5, 5};
    s.clearDevices();
    QVERIFY(s.m_host[1][0].isEmpty());
    QCOMPARE(s.m_enableFlags[1][0], quint8(0));
    QCOMPARE(s.m_displaySizes[1][0].value, 5);
}

// The panel only reads StaleAfter: absent it stays absent, present it survives every save as it
// was.
void tst_CSettings::staleAfter_data()
{
    QTest::addColumn<QByteArray>("stored"); // empty: no key
    QTest::addColumn<int>("seconds");
    QTest::newRow("absent") << QByteArray() << 0;
    QTest::newRow("30") << QByteArray("30") << 30;
    QTest::newRow("0") << QByteArray("0") << 0;
    QTest::newRow("negative") << QByteArray("-5") << 0;
    QTest::newRow("not a number") << QByteArray("soon") << 0;
    QTest::newRow("fraction") << QByteArray("2.5") << 0;
    QTest::newRow("beyond int") << QByteArray("99999999999") << 0;
}

void tst_CSettings::staleAfter()
{
    QFETCH(QByteArray, stored);
    QFETCH(int, seconds);
    writeIni("[%General]\nFrameColor=#102030\n" +
             (stored.isEmpty() ? QByteArray() : "StaleAfter=" + stored + "\n"));
    CSettings s(QString{});
    QCOMPARE(s.m_staleAfter, seconds);
    s.m_frameColor = Qt::white;
    s.save();
    const QByteArray saved = readIni();
    QVERIFY(saved.contains("FrameColor=#ffffff"));
    const QRegularExpressionMatch line =
        QRegularExpression("(?m)^StaleAfter=(.*)$").match(QString::fromUtf8(saved));
    QCOMPARE(line.hasMatch(), !stored.isEmpty());
    QCOMPARE(line.captured(1).toUtf8(), stored);
}

void tst_CSettings::unsafeValues_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("typed");
    QTest::newRow("typed") << QByteArray("[A]\nK=@Variant(\\0\\0\\0\\x5)\n") << false;
    QTest::newRow("after blanks") << QByteArray("K= \t@Variant(x)") << true;
    QTest::newRow("list element") << QByteArray("K=a, @Variant(x)") << true;
    QTest::newRow("quoted") << QByteArray("K=\"@Variant(x)\"") << true;
    QTest::newRow("hex @") << QByteArray("K=\\x40Variant(x)") << true;
    QTest::newRow("hex @ past 16 bits") << QByteArray("K=\\x10040Variant(x)") << true;
    QTest::newRow("octal @") << QByteArray("K=\\100Variant(x)") << true;
    QTest::newRow("octal letter") << QByteArray("K=@\\126ariant(x)") << true;
    QTest::newRow("escaped line break") << QByteArray("K=\\\r\n@Variant(x)") << true;
    QTest::newRow("escape giving nothing") << QByteArray("K=\\q@Variant(x)") << true;
    QTest::newRow("inside text") << QByteArray("Host=a @Variant(x)") << false;
    QTest::newRow("@ doubled") << QByteArray("Host=@@Variant(x)") << false;
    QTest::newRow("in a key") << QByteArray("@Variant(x)=1") << false;
    QTest::newRow("other type") << QByteArray("Geometry=@ByteArray(x)") << false;
    QTest::newRow("lower case") << QByteArray("K=@variant(x)") << false;
    QTest::newRow("panel's file") << TestSupport::generalGroup(Qt::red) +
                                         TestSupport::slotGroup(0, 0, QStringLiteral("a [1.2.3.4]"),
                                                                {})
                                  << false;
    // A polygon reserves the count in its data (here 2^31 - 1 points) before reading them.
    const QByteArray polygon = "@Variant(\\0\\0\\0G\\x7f\\xff\\xff\\xff)";
    QTest::newRow("polygon, blanks after it") << "K=" + polygon + " \t\n" << true;
    QTest::newRow("polygon, a comment after it") << "K=" + polygon + " ; points\n" << true;
    QTest::newRow("colour of an unknown model") << QByteArray("K=@Variant(\\0\\0\\0C\\x6)") << true;
    QTest::newRow("time zone") << QByteArray("K=@DateTime(\\0\\0\\0\\x10\\0ddddddddtttt\\x3)")
                               << true;
    QTest::newRow("UTC") << QByteArray("K=@DateTime(\\0\\0\\0\\x10\\0ddddddddtttt\\x1)") << false;
    QTest::newRow("float, numbered as by Qt 4")
        << QByteArray("K=@Variant(\\0\\0\\0\\x87?\\xc0\\0\\0)") << false;
    QTest::newRow("polygon as a Qt 5.6 stream")
        << QByteArray("K=@DateTime(\\0\\0\\0G\\0\\x7f\\xff\\xff\\xff)") << true;
    const QByteArray colour =
        "@Variant(\\0\\0\\0\\x43\\x1\\xff\\xff\\x1\\x1\\x2\\x2\\x3\\x3\\0\\0)";
    QTest::newRow("late in a long file, after a colour")
        << QByteArray(20000, '\n') + "A=" + colour + "\nB=x, " + polygon << true;
    QTemporaryDir dir;
    QSettings written(dir.filePath(QStringLiteral("w.ini")), QSettings::IniFormat);
    written.setValue(QStringLiteral("Device00/Host"),
                     QStringLiteral("x,@Variant(") +
                         QString::fromLatin1("\0\0\0G\x7f\xff\xff\xff)", 9));
    written.sync();
    QFile file(written.fileName());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QTest::newRow("a host with \",@Variant(\", as saved") << file.readAll() << false;
}

void tst_CSettings::unsafeValues()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, typed);
    int dropped = -1;
    withoutUnsafeValues(text, &dropped);
    QCOMPARE(dropped, int(typed));
}

// QSettings would decode such a value with QDataStream, which trusts the counts it reads (here a
// polygon of 1.8 billion points): the value counts as absent, everything else loads, and saving
// keeps the file as .bad and all of it but that value in the new file.
void tst_CSettings::typedValueIgnored_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("loaded"); // DisplaySizeValue, 0 when refused
    QTest::newRow("typed") << QByteArray("@Variant(\\0\\0\\0Geometry0\\x5)") << 0;
    QTest::newRow("escaped") << QByteArray("\\x40Variant(\\0\\0\\0Geometry0\\x5)") << 0;
    QTest::newRow("Qt 5.6 stream") << QByteArray("@DateTime(\\0\\0\\0Geometry0\\x5)") << 0;
    QTest::newRow("an int") << QByteArray("@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)") << 5;
}

void tst_CSettings::typedValueIgnored()
{
    QFETCH(QByteArray, value);
    QFETCH(int, loaded);
    const QByteArray text = "[%General]\nFrameColor=#102030\n[Refresh]\nValue=3\n"
                            "[Device12]\nHost=a [1.2.3.4]\nDisplaySizeValue=" +
                            value +
                            "\nDisplaySizeUnit=4\nEnableDewpointUnit=true\n"
                            "TemperatureValueNormalForeground=#123456\n[Scan]\nIP=10.9.9.9\n"
                            "[Sort]\nColumn=2\n[SetupDialog]\nGeometry=@ByteArray(abc)\n"
                            "[Foreign]\nKey=kept\n";
    const QString aside = iniPath() + QStringLiteral(".bad");
    QVERIFY(TestSupport::writeSettingsFile(aside, "older"));
    writeIni(text);
    {
        CSettings s(QString{});
        QCOMPARE(s.m_frameColor, QColor(0x10, 0x20, 0x30));
        QCOMPARE(s.m_refreshValue, 3);
        QCOMPARE(s.m_scanAddress, QStringLiteral("10.9.9.9"));
        QCOMPARE(s.m_host[1][2], QStringLiteral("a [1.2.3.4]"));
        QCOMPARE(s.m_displaySizes[1][2].value, loaded);
        QCOMPARE(s.m_displaySizes[1][2].unit, 4);
        QCOMPARE(s.m_enableFlags[1][2], quint8(EnableDewpointUnit));
        QCOMPARE(s.m_colors[1][2].m_temperatureValueNormalForeground, QColor(0x12, 0x34, 0x56));
        // As the setup dialog does before saving.
        s.m_store->setValue(QStringLiteral("SetupDialog/Geometry"), QByteArray("g"));
        s.m_host[0][0] = QStringLiteral("b [1.2.3.5]");
        s.save();
    }
    QFile kept(aside);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), loaded ? QByteArray("older") : text);
    kept.remove();
    int dropped = -1;
    withoutUnsafeValues(readIni(), &dropped);
    QCOMPARE(dropped, 0);
    const CSettings again(QString{});
    QCOMPARE(again.m_host[0][0], QStringLiteral("b [1.2.3.5]"));
    QCOMPARE(again.m_host[1][2], QStringLiteral("a [1.2.3.4]"));
    QCOMPARE(again.m_displaySizes[1][2].value, loaded);
    QCOMPARE(again.m_refreshValue, 3);
    QCOMPARE(again.m_scanAddress, QStringLiteral("10.9.9.9"));
    QCOMPARE(again.m_sortColumn, 2);
    QCOMPARE(again.m_store->value("Foreign/Key").toString(), QStringLiteral("kept"));
    QCOMPARE(again.m_store->value("SetupDialog/Geometry").toByteArray(), QByteArray("g"));
}

// qt5-written.ini is a file as the Qt 5 build writes it: all nine slots with every key, device
// names beyond ASCII (one beyond 16 bits, one followed by a hex digit, one that needs quotes), the
// keys only the user writes, and the setup dialog's geometry. Both builds read it the same, and
// saving it gives back the very same bytes, so a panel going back from Qt 6 to Qt 5 keeps its
// names.
void tst_CSettings::qt5File()
{
    QFile fixture(QFINDTESTDATA("qt5-written.ini"));
    QVERIFY(fixture.open(QIODevice::ReadOnly));
    const QByteArray written = fixture.readAll();
    int dropped = -1;
    withoutUnsafeValues(written, &dropped);
    QCOMPARE(dropped, 0);
    writeIni(written);
    const QString hosts[3][3] = {
        {QStringLiteral("K\u00fchlraum [10.0.0.1]"), QStringLiteral("B\u00e4ckerei [10.0.0.2]"),
         QStringLiteral("Lager, S\u00fcd [10.0.0.3]")},
        {QStringLiteral("Caf\u00e9 [fe80::1]"), QStringLiteral("Messraum \u20ac1 [10.0.0.5]"),
         QStringLiteral("Labor \U0001F321 [10.0.0.6]")},
        {QStringLiteral("plain [10.0.0.7]"), QStringLiteral("\u00d8st; Tor [10.0.0.8]"),
         QStringLiteral("\u65e5\u672c [10.0.0.9]")}};
    {
        CSettings s(QString{});
        QCOMPARE(s.m_frameColor, QColor(1, 2, 3));
        QVERIFY(s.m_showNames);
        QVERIFY(s.m_showHistory);
        QCOMPARE(s.m_staleAfter, 30);
        QCOMPARE(s.m_refreshValue, 5);
        QCOMPARE(s.m_refreshHistory, 20);
        QCOMPARE(s.m_scanAddress, QStringLiteral("10.0.0.255"));
        QCOMPARE(s.m_scanPort, quint16(9807));
        QCOMPARE(s.m_sortColumn, 2);
        QCOMPARE(s.m_sortDescending, 1);
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                const int slot = 3 * r + c;
                QCOMPARE(s.m_host[r][c], hosts[r][c]);
                QCOMPARE(s.m_displaySizes[r][c].history, slot + 1);
                QCOMPARE(s.m_displaySizes[r][c].value, slot + 2);
                QCOMPARE(s.m_displaySizes[r][c].unit, slot + 3);
                QCOMPARE(s.m_enableFlags[r][c], quint8(0x11 * slot + 1));
                CColorSettings colors;
                TestSupport::paintDistinctColors(colors, slot);
                for (const CColorKey &entry : g_colorKeys)
                    QCOMPARE(s.m_colors[r][c].*entry.member, colors.*entry.member);
            }
        }
        s.save();
    }
    QCOMPARE(readIni(), written);
}

// A save in progress keeps the old file as .kept: found at start, it takes the place of a file that
// the save left missing or cut short. A value that cannot be read safely, written into the file
// while the panel runs, is not decoded by the next save either. Nothing is left in the temporary
// folder or beside the file.
void tst_CSettings::fileSafety_data()
{
    QTest::addColumn<QByteArray>("file");    // empty: none
    QTest::addColumn<QByteArray>("kept");    // empty: none
    QTest::addColumn<QByteArray>("changed"); // the file while the panel runs; empty: as it was
    QTest::addColumn<QString>("host");       // of slot (0, 0)
    const QByteArray old = "[Device00]\nHost=old [1.2.3.4]\n";
    // In the group of a free slot, which the save removes (and so decodes).
    const QByteArray unsafe = old + "[Device22]\nK=@Variant(\\0\\0\\0G\\x7f\\xff\\xff\\xff)\n";
    const QByteArray saved = "[Device00]\nHost=new [1.2.3.5]\n";
    QTest::newRow("save cut short") << saved.left(20) << old << QByteArray() << "old [1.2.3.4]";
    QTest::newRow("save left no file") << QByteArray() << old << QByteArray() << "old [1.2.3.4]";
    QTest::newRow("save done") << saved << old << QByteArray() << "new [1.2.3.5]";
    QTest::newRow("save not begun") << old << old << QByteArray() << "old [1.2.3.4]";
    QTest::newRow("unsafe value at start")
        << unsafe << QByteArray() << QByteArray() << "old [1.2.3.4]";
    QTest::newRow("unsafe value written later") << old << QByteArray() << unsafe << "old [1.2.3.4]";
}

void tst_CSettings::fileSafety()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, kept);
    QFETCH(QByteArray, changed);
    QFETCH(QString, host);
    const QDir dir = QFileInfo(iniPath()).dir();
    QTemporaryDir temp;
    qputenv("TMPDIR", QFile::encodeName(temp.path()));
    for (const QString &name : dir.entryList(QDir::Files))
        QVERIFY(QFile::remove(dir.filePath(name)));
    if (!file.isEmpty())
        writeIni(file);
    if (!kept.isEmpty())
        QVERIFY(TestSupport::writeSettingsFile(iniPath() + ".kept", kept));
    QVERIFY(TestSupport::writeSettingsFile(iniPath() + ".check-7", "left by a save killed"));
    {
        CSettings s(QString{});
        QCOMPARE(s.m_host[0][0], host);
        QVERIFY(QDir(temp.path()).isEmpty());
        if (!changed.isEmpty())
            writeIni(changed);
        s.save();
    }
    qunsetenv("TMPDIR");
    int dropped = -1;
    withoutUnsafeValues(readIni(), &dropped);
    QCOMPARE(dropped, 0);
    QStringList left = {"brimopanel.ini"};
    if (file.contains("@") || changed.contains("@"))
        left << "brimopanel.ini.bad";
    QCOMPARE(dir.entryList(QDir::Files), left);
    QCOMPARE(CSettings(QString{}).m_host[0][0], host);
}

QTEST_GUILESS_MAIN(tst_CSettings)
#include "tst_csettings.moc"
