#include "Announcement.h"
#include "SimProtocol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

class tst_SimProtocol : public QObject
{
    Q_OBJECT

private slots:
    void dewPoint_data();
    void dewPoint();
    void formatValue_data();
    void formatValue();
    void sensorStatus_data();
    void sensorStatus();
    void panelDocumentShape();
    void wrongTypesDocuments();
    void hugeDocumentStaysValid();
    void driftStaysInItsBand();
    void announcementLayout();
    void announcementTruncatesLongNames();
    void isDiscoveryRequest_data();
    void isDiscoveryRequest();
    void parseRequestHead_data();
    void parseRequestHead();
    void parseSetQuery_data();
    void parseSetQuery();
    void httpResponse();
};

void tst_SimProtocol::dewPoint_data()
{
    QTest::addColumn<double>("temperature");
    QTest::addColumn<double>("humidity");
    QTest::addColumn<double>("expected");
    // Figures of the usual dew-point tables.
    QTest::newRow("20C 50%") << 20.0 << 50.0 << 9.3;
    QTest::newRow("25C 60%") << 25.0 << 60.0 << 16.7;
    QTest::newRow("30C 70%") << 30.0 << 70.0 << 23.9;
    QTest::newRow("10C 80%") << 10.0 << 80.0 << 6.7;
    QTest::newRow("saturated 0C") << 0.0 << 100.0 << 0.0;
    QTest::newRow("saturated 30C") << 30.0 << 100.0 << 30.0;
    QTest::newRow("frost -10C 50%") << -10.0 << 50.0 << -18.5;
}

void tst_SimProtocol::dewPoint()
{
    QFETCH(double, temperature);
    QFETCH(double, humidity);
    QFETCH(double, expected);
    QVERIFY2(qAbs(SimProtocol::dewPoint(temperature, humidity) - expected) < 0.1,
             qPrintable(QString::number(SimProtocol::dewPoint(temperature, humidity))));
}

void tst_SimProtocol::formatValue_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("integer") << 21.0 << "21.0";
    QTest::newRow("rounds half up") << 9.26 << "9.3";
    QTest::newRow("negative") << -18.47 << "-18.5";
    QTest::newRow("no negative zero") << -0.04 << "0.0";
}

void tst_SimProtocol::formatValue()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(SimProtocol::formatValue(value), text);
}

void tst_SimProtocol::sensorStatus_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("status");
    QTest::newRow("inside") << 20.0 << "0";
    QTest::newRow("on the low limit") << 15.0 << "0";
    QTest::newRow("on the high limit") << 28.0 << "0";
    QTest::newRow("shown as the limit") << 28.04 << "0";
    QTest::newRow("above") << 28.1 << "2";
    QTest::newRow("below") << 14.9 << "2";
}

void tst_SimProtocol::sensorStatus()
{
    QFETCH(double, value);
    QFETCH(QString, status);
    QCOMPARE(SimProtocol::sensorStatus(value, SimLimits{15.0, 28.0}), status);
}

void tst_SimProtocol::panelDocumentShape()
{
    SimOptions options;
    options.humidityLimits = SimLimits{50.0, 60.0};
    const QJsonDocument document =
        QJsonDocument::fromJson(SimProtocol::panelDocument(20.0, 45.0, options));
    QVERIFY(document.isObject());
    const QJsonArray sensors = document.object().value("sensor").toArray();
    QCOMPARE(sensors.size(), 3);
    const QStringList values{"20.0", "45.0", "7.7"};
    const QStringList units{"&deg;C", "% rF", "&deg;C"};
    const QStringList statuses{"0", "2", "0"};
    for (int i = 0; i < 3; ++i) {
        const QJsonObject sensor = sensors.at(i).toObject();
        QCOMPARE(sensor.size(), 3);
        QVERIFY(sensor.value("status").isString());
        QCOMPARE(sensor.value("value").toString(), values[i]);
        QCOMPARE(sensor.value("unit").toString(), units[i]);
        QCOMPARE(sensor.value("status").toString(), statuses[i]);
    }
}

void tst_SimProtocol::wrongTypesDocuments()
{
    // Every variant is valid JSON, yet none has a "sensor" array of objects whose three members
    // are all strings.
    QVERIFY(SimProtocol::wrongTypesVariantCount() >= 5);
    for (int i = 0; i < SimProtocol::wrongTypesVariantCount(); ++i) {
        QJsonParseError error;
        const QJsonDocument document =
            QJsonDocument::fromJson(SimProtocol::wrongTypesDocument(i), &error);
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(QString::number(i)));
        const QJsonValue sensor = document.object().value("sensor");
        bool allStrings = sensor.isArray() && !sensor.toArray().isEmpty();
        for (const QJsonValue &element : sensor.toArray()) {
            const QJsonObject object = element.toObject();
            for (const char *key : {"status", "value", "unit"})
                allStrings = allStrings && object.value(key).isString();
        }
        QVERIFY2(!allStrings, qPrintable(QString::number(i)));
    }
    QCOMPARE(SimProtocol::wrongTypesDocument(SimProtocol::wrongTypesVariantCount()),
             SimProtocol::wrongTypesDocument(0));
}

void tst_SimProtocol::hugeDocumentStaysValid()
{
    const QByteArray small = SimProtocol::panelDocument(20.0, 45.0, SimOptions());
    const QByteArray huge = SimProtocol::hugeDocument(small, 1 << 20);
    QCOMPARE(huge.size(), 1 << 20);
    const QJsonObject object = QJsonDocument::fromJson(huge).object();
    QCOMPARE(object.value("sensor"), QJsonDocument::fromJson(small).object().value("sensor"));
}

void tst_SimProtocol::driftStaysInItsBand()
{
    double value = 21.0;
    for (int i = 0; i < 1000; ++i) {
        const double next = SimProtocol::drifted(value, 21.0, 1.5, 0.1, i % 7 < 5 ? 1.0 : -0.5);
        QVERIFY(qAbs(next - value) <= 0.1 + 0.05 * 1.5 + 1e-9);
        QVERIFY(next >= 19.5 && next <= 22.5);
        value = next;
    }
    QCOMPARE(SimProtocol::drifted(30.0, 21.0, 1.5, 0.1, 0.0), 22.5); // clamped after a jump
}

void tst_SimProtocol::announcementLayout()
{
    const QByteArray mac = QByteArray::fromHex("0a1b2c3d4e5f");
    const QByteArray datagram =
        SimProtocol::announcement(mac, QHostAddress("192.168.1.20"), "sim-é");
    QCOMPARE(datagram.size(), 128);
    QCOMPARE(datagram.left(4), QByteArray(4, '\0'));
    QCOMPARE(datagram.at(4), char(1));
    QCOMPARE(datagram.at(5), char(0));
    QCOMPARE(datagram.mid(6, 6), mac);
    QCOMPARE(datagram.mid(12, 4), QByteArray::fromHex("c0a80114"));
    QCOMPARE(datagram.mid(16, 12), QByteArray(12, '\0'));
    QCOMPARE(datagram.at(28), char(5));
    QCOMPARE(datagram.mid(29, 5), QByteArray("sim-\xe9"));
    QCOMPARE(datagram.mid(34), QByteArray(128 - 34, '\0'));
}

void tst_SimProtocol::announcementTruncatesLongNames()
{
    const QByteArray datagram =
        SimProtocol::announcement(QByteArray(6, '\1'), QHostAddress("10.0.0.1"), QString(120, 'n'));
    QCOMPARE(datagram.size(), 128);
    QCOMPARE(datagram.at(28), char(99));
    QCOMPARE(datagram.mid(29), QByteArray(99, 'n'));
}

void tst_SimProtocol::isDiscoveryRequest_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<bool>("request");
    const QByteArray typed = TestSupport::announcement(QByteArray(6, '\0'), 0u, QByteArray());
    QTest::newRow("all zero") << QByteArray(128, '\0') << true;
    QTest::newRow("announcement") << typed << false;
    QTest::newRow("short") << QByteArray(127, '\0') << false;
    QTest::newRow("long") << QByteArray(129, '\0') << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void tst_SimProtocol::isDiscoveryRequest()
{
    QFETCH(QByteArray, datagram);
    QFETCH(bool, request);
    QCOMPARE(SimProtocol::isDiscoveryRequest(datagram), request);
}

void tst_SimProtocol::parseRequestHead_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<bool>("document");
    QTest::newRow("panel request")
        << QByteArray("GET /tpl/document.cgi?tpl/j/panel.tpl&format=json HTTP/1.1\r\nHost: x")
        << true << QByteArray("/tpl/document.cgi") << true;
    QTest::newRow("other order") << QByteArray("GET /tpl/document.cgi?format=json&tpl/j/panel.tpl "
                                               "HTTP/1.0")
                                 << true << QByteArray("/tpl/document.cgi") << true;
    QTest::newRow("other template")
        << QByteArray("GET /tpl/document.cgi?tpl/j/other.tpl&format=json HTTP/1.1") << true
        << QByteArray("/tpl/document.cgi") << false;
    QTest::newRow("bare newlines") << QByteArray("GET /sim/set?humidity=3 HTTP/1.1\nHost: x")
                                   << true << QByteArray("/sim/set") << false;
    QTest::newRow("garbage") << QByteArray("\x01\x02\xff") << false << QByteArray() << false;
    QTest::newRow("no version") << QByteArray("GET /") << false << QByteArray() << false;
    QTest::newRow("no slash") << QByteArray("GET x HTTP/1.1") << false << QByteArray() << false;
    QTest::newRow("empty") << QByteArray() << false << QByteArray() << false;
}

void tst_SimProtocol::parseRequestHead()
{
    QFETCH(QByteArray, head);
    QFETCH(bool, valid);
    QFETCH(QByteArray, path);
    QFETCH(bool, document);
    const SimProtocol::HttpRequest request = SimProtocol::parseRequestHead(head);
    QCOMPARE(request.valid, valid);
    QCOMPARE(request.path, path);
    QCOMPARE(SimProtocol::isPanelDocumentRequest(request), document);
}

void tst_SimProtocol::parseSetQuery_data()
{
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("hasTemperature");
    QTest::addColumn<bool>("hasHumidity");
    QTest::addColumn<int>("fault"); // SimFault::Kind, -1 when not set
    QTest::newRow("both") << QByteArray("temperature=35.5&humidity=80") << true << true << true
                          << -1;
    QTest::newRow("temperature") << QByteArray("temperature=-5") << true << true << false << -1;
    QTest::newRow("humidity") << QByteArray("humidity=0") << true << false << true << -1;
    QTest::newRow("fault") << QByteArray("fault=http-error%3A503") << true << false << false
                           << int(SimFault::HttpError);
    QTest::newRow("fault none") << QByteArray("fault=none") << true << false << false
                                << int(SimFault::None);
    QTest::newRow("fault and value")
        << QByteArray("temperature=30&fault=hang") << true << true << false << int(SimFault::Hang);
    QTest::newRow("empty") << QByteArray() << false << false << false << -1;
    QTest::newRow("not a number") << QByteArray("temperature=warm") << false << false << false
                                  << -1;
    QTest::newRow("nan") << QByteArray("temperature=nan") << false << false << false << -1;
    QTest::newRow("humidity above 100")
        << QByteArray("humidity=101") << false << false << false << -1;
    QTest::newRow("unknown key") << QByteArray("pressure=1000") << false << false << false << -1;
    QTest::newRow("unknown fault")
        << QByteArray("fault=sometimes") << false << false << false << -1;
    QTest::newRow("empty fault") << QByteArray("fault=") << false << false << false << -1;
}

void tst_SimProtocol::parseSetQuery()
{
    QFETCH(QByteArray, query);
    QFETCH(bool, ok);
    QFETCH(bool, hasTemperature);
    QFETCH(bool, hasHumidity);
    QFETCH(int, fault);
    SimProtocol::SetRequest set;
    QString error;
    QCOMPARE(SimProtocol::parseSetQuery(query, &set, &error), ok);
    QCOMPARE(error.isEmpty(), ok);
    if (ok) {
        QCOMPARE(set.hasTemperature, hasTemperature);
        QCOMPARE(set.hasHumidity, hasHumidity);
        QCOMPARE(set.hasFault, fault >= 0);
        if (set.hasFault)
            QCOMPARE(int(set.fault.kind), fault);
    }
}

void tst_SimProtocol::httpResponse()
{
    QCOMPARE(SimProtocol::httpResponse(503, "text/plain", "down"),
             QByteArray("HTTP/1.1 503 Service Unavailable\r\nContent-Type: text/plain\r\n"
                        "Content-Length: 4\r\nConnection: close\r\n\r\ndown"));
    QVERIFY(SimProtocol::httpResponse(200, "text/plain", "ok", true)
                .contains("\r\nConnection: keep-alive\r\n\r\nok"));
}

QTEST_APPLESS_MAIN(tst_SimProtocol)
#include "tst_simprotocol.moc"
