#include "SimOptions.h"

#include <QtTest>

class tst_SimOptions : public QObject
{
    Q_OBJECT

private slots:
    void defaults();
    void allOptions();
    void help();
    void errors_data();
    void errors();
    void faults_data();
    void faults();
};

static SimOptionsResult parse(const QStringList &arguments)
{
    return parseSimOptions(QStringList{"brimo-devsim"} + arguments);
}

void tst_SimOptions::defaults()
{
    const SimOptionsResult result = parse({});
    QCOMPARE(result.outcome, SimOptionsResult::Run);
    const SimOptions &o = result.options;
    QCOMPARE(o.name, QString("brimo-sim"));
    QCOMPARE(o.mac, QByteArray::fromHex("020000000001"));
    QCOMPARE(o.address, QHostAddress("127.0.0.1"));
    QCOMPARE(o.httpPort, quint16(80));
    QCOMPARE(o.scanPort, quint16(9806));
    QVERIFY(o.discovery);
    QVERIFY(o.drift);
    QVERIFY(!o.driftEveryPoll);
    QVERIFY(!o.keepAlive);
    QCOMPARE(o.temperature, 21.5);
    QCOMPARE(o.humidity, 45.0);
    QCOMPARE(o.fault.kind, SimFault::None);
}

void tst_SimOptions::allOptions()
{
    const SimOptionsResult result = parse({"--name",
                                           "lab",
                                           "--mac",
                                           "0a:1B:2c:3D:4e:5F",
                                           "--address",
                                           "10.77.0.4",
                                           "--http-port",
                                           "0",
                                           "--scan-port",
                                           "9807",
                                           "--no-discovery",
                                           "--temperature",
                                           "-3.5",
                                           "--humidity",
                                           "90",
                                           "--temperature-limits",
                                           "-10:5",
                                           "--humidity-limits=20:95",
                                           "--dewpoint-limits",
                                           "-20:0",
                                           "--no-drift",
                                           "--drift-every-poll",
                                           "--keep-alive",
                                           "--seed",
                                           "42",
                                           "--fault",
                                           "slow:1500"});
    QCOMPARE(result.outcome, SimOptionsResult::Run);
    const SimOptions &o = result.options;
    QCOMPARE(o.name, QString("lab"));
    QCOMPARE(o.mac, QByteArray::fromHex("0a1b2c3d4e5f"));
    QCOMPARE(o.address, QHostAddress("10.77.0.4"));
    QCOMPARE(o.httpPort, quint16(0));
    QCOMPARE(o.scanPort, quint16(9807));
    QVERIFY(!o.discovery);
    QCOMPARE(o.temperature, -3.5);
    QCOMPARE(o.humidity, 90.0);
    QCOMPARE(o.temperatureLimits.low, -10.0);
    QCOMPARE(o.temperatureLimits.high, 5.0);
    QCOMPARE(o.humidityLimits.low, 20.0);
    QCOMPARE(o.dewPointLimits.high, 0.0);
    QVERIFY(!o.drift);
    QVERIFY(o.driftEveryPoll);
    QVERIFY(o.keepAlive);
    QVERIFY(o.seedGiven);
    QCOMPARE(o.seed, 42u);
    QCOMPARE(o.fault.kind, SimFault::Slow);
    QCOMPARE(o.fault.parameter, 1500);
}

void tst_SimOptions::help()
{
    const SimOptionsResult result = parse({"--help"});
    QCOMPARE(result.outcome, SimOptionsResult::Help);
    for (const char *option :
         {"--name", "--mac", "--address", "--http-port", "--scan-port", "--no-discovery",
          "--temperature", "--humidity", "--temperature-limits", "--humidity-limits",
          "--dewpoint-limits", "--no-drift", "--drift-every-poll", "--keep-alive", "--seed",
          "--fault", "--help", "http-error:CODE"})
        QVERIFY2(result.text.contains(QLatin1String(option)), option);
}

void tst_SimOptions::errors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("unknown option") << QStringList{"--colour", "red"};
    QTest::newRow("positional argument") << QStringList{"extra"};
    QTest::newRow("missing value") << QStringList{"--http-port"};
    QTest::newRow("port not a number") << QStringList{"--http-port", "eighty"};
    QTest::newRow("port too large") << QStringList{"--scan-port", "65536"};
    QTest::newRow("negative port") << QStringList{"--http-port", "-1"};
    QTest::newRow("mac too short") << QStringList{"--mac", "02:00:00:00:01"};
    QTest::newRow("mac not hex") << QStringList{"--mac", "02:00:00:00:00:zz"};
    QTest::newRow("mac signed byte") << QStringList{"--mac", "02:00:00:00:00:+1"};
    QTest::newRow("address any") << QStringList{"--address", "0.0.0.0"};
    QTest::newRow("address broadcast") << QStringList{"--address", "255.255.255.255"};
    QTest::newRow("address multicast") << QStringList{"--address", "239.1.2.3"};
    QTest::newRow("address IPv6") << QStringList{"--address", "::1"};
    QTest::newRow("address name") << QStringList{"--address", "localhost"};
    QTest::newRow("temperature text") << QStringList{"--temperature", "warm"};
    QTest::newRow("temperature inf") << QStringList{"--temperature", "inf"};
    QTest::newRow("humidity over 100") << QStringList{"--humidity", "100.5"};
    QTest::newRow("limits reversed") << QStringList{"--temperature-limits", "30:10"};
    QTest::newRow("limits one number") << QStringList{"--humidity-limits", "30"};
    QTest::newRow("limits three numbers") << QStringList{"--dewpoint-limits", "1:2:3"};
    QTest::newRow("seed negative") << QStringList{"--seed", "-4"};
    QTest::newRow("empty name") << QStringList{"--name", ""};
    QTest::newRow("name too long") << QStringList{"--name", QString(100, 'n')};
    QTest::newRow("name not latin-1") << QStringList{"--name", QString::fromUtf8("sim-\u20ac")};
    QTest::newRow("fault unknown") << QStringList{"--fault", "flaky"};
}

void tst_SimOptions::errors()
{
    QFETCH(QStringList, arguments);
    const SimOptionsResult result = parse(arguments);
    QCOMPARE(result.outcome, SimOptionsResult::Error);
    QVERIFY(!result.text.isEmpty());
    QVERIFY(!result.text.contains(QLatin1Char('\n')));
}

void tst_SimOptions::faults_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("parameter");
    QTest::newRow("none") << "none" << true << int(SimFault::None) << -1;
    QTest::newRow("slow") << "slow:2500" << true << int(SimFault::Slow) << 2500;
    QTest::newRow("hang") << "hang" << true << int(SimFault::Hang) << -1;
    QTest::newRow("garbage") << "garbage" << true << int(SimFault::Garbage) << -1;
    QTest::newRow("non-json") << "non-json" << true << int(SimFault::NonJson) << -1;
    QTest::newRow("wrong-types") << "wrong-types" << true << int(SimFault::WrongTypes) << -1;
    QTest::newRow("wrong-types:2") << "wrong-types:2" << true << int(SimFault::WrongTypes) << 2;
    QTest::newRow("huge") << "huge" << true << int(SimFault::Huge) << -1;
    QTest::newRow("reset") << "reset" << true << int(SimFault::Reset) << -1;
    QTest::newRow("http-error:500") << "http-error:500" << true << int(SimFault::HttpError) << 500;
    QTest::newRow("slow without delay") << "slow" << false << 0 << 0;
    QTest::newRow("slow negative") << "slow:-5" << false << 0 << 0;
    QTest::newRow("http-error success code") << "http-error:200" << false << 0 << 0;
    QTest::newRow("http-error text") << "http-error:bad" << false << 0 << 0;
    QTest::newRow("wrong-types out of range") << "wrong-types:999" << false << 0 << 0;
    QTest::newRow("hang with argument") << "hang:5" << false << 0 << 0;
    QTest::newRow("case") << "HANG" << false << 0 << 0;
}

void tst_SimOptions::faults()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, kind);
    QFETCH(int, parameter);
    SimFault fault;
    QCOMPARE(parseSimFault(text, &fault), ok);
    if (ok) {
        QCOMPARE(int(fault.kind), kind);
        QCOMPARE(fault.parameter, parameter);
    }
}

QTEST_GUILESS_MAIN(tst_SimOptions)
#include "tst_simoptions.moc"
