// Drives the brimo-devsim executable on 127.0.0.1 as the panel and the tests would.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkDatagram>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QtTest>

#include "Announcement.h"
#include "DevSim.h"
#include "TestSupport.h"

#include <memory>

namespace {

const char DocumentPath[] = "/tpl/document.cgi?tpl/j/panel.tpl&format=json";

struct Simulator
{
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    quint16 httpPort = 0;
    quint16 scanPort = 0;

    ~Simulator()
    {
        process->kill();
        process->waitForFinished();
    }
};

// Starts the simulator on free ports and reads its "listening" line; with a namespace, inside it.
std::unique_ptr<Simulator> start(const QStringList &arguments, const QString &address = "127.0.0.1",
                                 const QString &netns = QString())
{
    auto sim = std::make_unique<Simulator>();
    TestSupport::DevSimPorts ports;
    if (!TestSupport::startListening(
            *sim->process,
            QStringList{"--address", address, "--http-port", "0", "--scan-port", "0"} + arguments,
            netns, &ports))
        return nullptr;
    sim->httpPort = ports.http;
    sim->scanPort = ports.scan;
    return sim;
}

struct RawAnswer
{
    QByteArray bytes;
    bool closed = false;
};

// Sends a GET and collects what comes back until the server closes or waitMs pass.
RawAnswer rawGet(quint16 port, const QByteArray &target, int waitMs = 5000)
{
    RawAnswer answer;
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return answer;
    socket.write("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    QElapsedTimer timer;
    timer.start();
    while (socket.state() == QAbstractSocket::ConnectedState && timer.elapsed() < waitMs) {
        socket.waitForReadyRead(int(qMax<qint64>(1, waitMs - timer.elapsed())));
        answer.bytes += socket.readAll();
    }
    answer.bytes += socket.readAll();
    answer.closed = socket.state() != QAbstractSocket::ConnectedState;
    return answer;
}

QByteArray bodyOf(const QByteArray &answer)
{
    const int end = answer.indexOf("\r\n\r\n");
    return end < 0 ? QByteArray() : answer.mid(end + 4);
}

QJsonArray sensorsOf(const QByteArray &body)
{
    return QJsonDocument::fromJson(body).object().value("sensor").toArray();
}

} // namespace

class tst_DevSim : public QObject
{
    Q_OBJECT

private slots:
    void help();
    void badOptionExitsWithTwo();
    void servesTheDocument();
    void setSwitchesToCritical();
    void keepsValuesWithoutDrift();
    void driftsOnEveryPoll();
    void keepAliveAnswersOnOneConnection();
    void survivesManyAndBadConnections();
    void answersDiscoveryRequests();
    void answersBroadcastsInItsNamespace();
    void faults_data();
    void faults();
    void hangKeepsTheConnection();
    void slowAnswersLate();
    void setAnswersDespiteFault();
    void setSwitchesTheFault();

private:
    QByteArray get(quint16 port, const QByteArray &target, int *status = nullptr);
    QNetworkAccessManager m_manager;
};

QByteArray tst_DevSim::get(quint16 port, const QByteArray &target, int *status)
{
    QNetworkReply *reply =
        m_manager.get(QNetworkRequest(QUrl("http://127.0.0.1:" + QString::number(port) + target)));
    QSignalSpy finished(reply, &QNetworkReply::finished);
    finished.wait(5000);
    if (status)
        *status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body = reply->readAll();
    reply->deleteLater();
    return body;
}

void tst_DevSim::help()
{
    QProcess process;
    process.start(BRIMO_DEVSIM, {"--help"});
    QVERIFY(process.waitForFinished());
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(process.readAllStandardOutput().contains("--fault"));
}

void tst_DevSim::badOptionExitsWithTwo()
{
    for (const QStringList &arguments :
         {QStringList{"--no-such-option"}, QStringList{"--fault", "sometimes"}}) {
        QProcess process;
        process.start(BRIMO_DEVSIM, arguments);
        QVERIFY(process.waitForFinished());
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 2);
        const QByteArray error = process.readAllStandardError();
        QCOMPARE(error.count('\n'), 1);
        QVERIFY(error.endsWith('\n'));
        QVERIFY(process.readAllStandardOutput().isEmpty());
    }
}

void tst_DevSim::servesTheDocument()
{
    const auto sim = start({"--temperature", "20", "--humidity", "50", "--no-drift"});
    QVERIFY(sim);
    int status = 0;
    const QJsonArray sensors = sensorsOf(get(sim->httpPort, DocumentPath, &status));
    QCOMPARE(status, 200);
    QCOMPARE(sensors.size(), 3);
    const QStringList values{"20.0", "50.0", "9.3"};
    const QStringList units{"&deg;C", "% rF", "&deg;C"};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(sensors[i].toObject().value("status").toString(), QString("0"));
        QCOMPARE(sensors[i].toObject().value("value").toString(), values[i]);
        QCOMPARE(sensors[i].toObject().value("unit").toString(), units[i]);
    }
    get(sim->httpPort, "/nothing/here", &status);
    QCOMPARE(status, 404);
}

void tst_DevSim::setSwitchesToCritical()
{
    const auto sim = start({"--temperature-limits", "10:30"});
    QVERIFY(sim);
    int status = 0;
    QCOMPARE(get(sim->httpPort, "/sim/set?temperature=35&humidity=45", &status), QByteArray("ok"));
    QCOMPARE(status, 200);
    const QJsonArray sensors = sensorsOf(get(sim->httpPort, DocumentPath));
    QCOMPARE(sensors.size(), 3);
    QCOMPARE(sensors[0].toObject().value("status").toString(), QString("2"));
    QCOMPARE(sensors[1].toObject().value("status").toString(), QString("0"));
    QCOMPARE(sensors[2].toObject().value("status").toString(), QString("2")); // dew point 21.5

    get(sim->httpPort, "/sim/set?temperature=hot", &status);
    QCOMPARE(status, 400);
}

void tst_DevSim::keepsValuesWithoutDrift()
{
    const auto sim = start({"--no-drift", "--temperature", "18.3"});
    QVERIFY(sim);
    const QByteArray first = get(sim->httpPort, DocumentPath);
    QTest::qWait(2200);
    QCOMPARE(get(sim->httpPort, DocumentPath), first);
}

void tst_DevSim::driftsOnEveryPoll()
{
    // Back to back, and across the turn at the band's edge (after five steps).
    const auto sim = start({"--drift-every-poll", "--humidity", "98"});
    QVERIFY(sim);
    QJsonArray previous = sensorsOf(get(sim->httpPort, DocumentPath));
    for (int poll = 0; poll < 12; ++poll) {
        const QJsonArray sensors = sensorsOf(get(sim->httpPort, DocumentPath));
        QCOMPARE(sensors.size(), 3);
        for (int i = 0; i < 3; ++i)
            QVERIFY2(sensors[i].toObject().value("value") != previous[i].toObject().value("value"),
                     qPrintable(QString("poll %1 sensor %2").arg(poll).arg(i)));
        previous = sensors;
    }
}

void tst_DevSim::keepAliveAnswersOnOneConnection()
{
    const auto sim = start({"--keep-alive"});
    QVERIFY(sim);
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, sim->httpPort);
    QVERIFY(socket.waitForConnected(5000));
    for (int request = 0; request < 3; ++request) {
        socket.write(QByteArray("GET ") + DocumentPath + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        QByteArray answer;
        while (sensorsOf(bodyOf(answer)).size() != 3 && socket.waitForReadyRead(5000))
            answer += socket.readAll();
        QVERIFY2(answer.contains("\r\nConnection: keep-alive\r\n"), answer.constData());
        QCOMPARE(socket.state(), QAbstractSocket::ConnectedState);
    }
}

void tst_DevSim::survivesManyAndBadConnections()
{
    const auto sim = start({});
    QVERIFY(sim);
    const QList<QByteArray> requests{QByteArray("\x00\xff\x13garbage\r\n\r\n", 14),
                                     "POST / HTTP/1.1\r\n\r\n", QByteArray(70000, 'A'), "GET", ""};
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    for (int i = 0; i < 60; ++i) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress::LocalHost, sim->httpPort);
        QVERIFY(socket->waitForConnected(5000));
        socket->write(requests[i % requests.size()]);
        if (i % 7 == 0)
            socket->abort(); // clients that vanish mid-request
        sockets.push_back(std::move(socket));
    }
    for (int i = 0; i < 60; ++i) {
        if (i % 7 != 0 && i % requests.size() < 3) {
            QTcpSocket &socket = *sockets[i];
            while (socket.state() == QAbstractSocket::ConnectedState &&
                   socket.waitForReadyRead(5000)) {
            }
            QVERIFY2(socket.readAll().startsWith("HTTP/1.1 4"), qPrintable(QString::number(i)));
        }
    }
    sockets.clear();
    QCOMPARE(sensorsOf(get(sim->httpPort, DocumentPath)).size(), 3);
    QCOMPARE(sim->process->state(), QProcess::Running);
}

void tst_DevSim::answersDiscoveryRequests()
{
    const auto sim = start({"--name", "lab-3", "--mac", "0A:0B:0C:0D:0E:0F"});
    QVERIFY(sim);
    QUdpSocket socket;
    QVERIFY(socket.bind(QHostAddress(QHostAddress::LocalHost), 0));

    // Another device's announcement: not answered.
    socket.writeDatagram(TestSupport::announcement(QByteArray(6, '\0'), 0u, QByteArray()),
                         QHostAddress::LocalHost, sim->scanPort);
    socket.writeDatagram(QByteArray(128, '\0'), QHostAddress::LocalHost, sim->scanPort);
    QTRY_VERIFY(socket.hasPendingDatagrams());
    const QByteArray answer = socket.receiveDatagram().data();
    QCOMPARE(answer.size(), 128);
    QCOMPARE(answer.at(4), char(1));
    QCOMPARE(answer.mid(6, 6), QByteArray::fromHex("0a0b0c0d0e0f"));
    QCOMPARE(answer.mid(12, 4), QByteArray::fromHex("7f000001"));
    QCOMPARE(answer.at(28), char(5));
    QCOMPARE(answer.mid(29, 5), QByteArray("lab-3"));
    QTest::qWait(300);
    QVERIFY(!socket.hasPendingDatagrams()); // exactly one answer
}

void tst_DevSim::answersBroadcastsInItsNamespace()
{
    // As the panel's setup dialog finds devices: a broadcast from the panel's side of the private
    // network reaches every simulator in the devices namespace.
#ifdef Q_OS_WIN
    QSKIP("starts the simulators through ip(8): Wine neither waits for nor kills a Linux program");
#endif
    REQUIRE_PRIVATE_NETWORK();
    const auto first =
        start({"--name", "first", "--mac", "02:00:00:00:00:05"}, "10.77.0.5", "devices");
    QVERIFY(first);
    const auto second = start({"--name", "second", "--mac", "02:00:00:00:00:06", "--scan-port",
                               QString::number(first->scanPort)},
                              "10.77.0.6", "devices");
    QVERIFY(second);
    QUdpSocket socket;
    QVERIFY(socket.bind(QHostAddress("10.77.0.1"), 0));
    socket.writeDatagram(QByteArray(128, '\0'), QHostAddress("10.77.0.255"), first->scanPort);
    QStringList names;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            while (socket.hasPendingDatagrams()) {
                const QByteArray answer = socket.receiveDatagram().data();
                names << QString::fromLatin1(answer.mid(29, answer.at(28)));
            }
            return names.size() == 2;
        }(),
        5000);
    names.sort();
    QCOMPARE(names, QStringList({"first", "second"}));
}

void tst_DevSim::faults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("statusLine");
    QTest::addColumn<QString>("body"); // json, wrong-json, not-json, huge-json or empty
    QTest::newRow("garbage") << "garbage" << QByteArray("HTTP/1.1 200 OK") << "not-json";
    QTest::newRow("non-json") << "non-json" << QByteArray("HTTP/1.1 200 OK") << "not-json";
    QTest::newRow("wrong-types") << "wrong-types" << QByteArray("HTTP/1.1 200 OK") << "wrong-json";
    QTest::newRow("huge") << "huge" << QByteArray("HTTP/1.1 200 OK") << "huge-json";
    QTest::newRow("reset") << "reset" << QByteArray() << "empty";
    QTest::newRow("http-error:500")
        << "http-error:500" << QByteArray("HTTP/1.1 500 Internal Server Error") << "not-json";
    QTest::newRow("http-error:404")
        << "http-error:404" << QByteArray("HTTP/1.1 404 Not Found") << "not-json";
}

void tst_DevSim::faults()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, statusLine);
    QFETCH(QString, body);
    const auto sim = start({"--fault", fault});
    QVERIFY(sim);
    for (int request = 0; request < 8; ++request) { // wrong-types varies per request
        const RawAnswer answer = rawGet(sim->httpPort, DocumentPath);
        QVERIFY(answer.closed);
        QCOMPARE(answer.bytes.left(answer.bytes.indexOf("\r\n")), statusLine);
        const QByteArray content = bodyOf(answer.bytes);
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(content, &error);
        if (body == "empty") {
            QVERIFY(answer.bytes.isEmpty());
        } else if (body == "not-json") {
            QVERIFY(!content.isEmpty());
            QVERIFY(error.error != QJsonParseError::NoError);
        } else if (body == "wrong-json") {
            QCOMPARE(error.error, QJsonParseError::NoError);
            QVERIFY(!document.object().value("sensor").isArray() ||
                    !document.object().value("sensor")[0].toObject().value("value").isString());
        } else if (body == "huge-json") {
            QVERIFY(content.size() >= 8 * 1000 * 1000);
            QCOMPARE(sensorsOf(content).size(), 3);
        }
    }
}

void tst_DevSim::hangKeepsTheConnection()
{
    const auto sim = start({"--fault", "hang"});
    QVERIFY(sim);
    const RawAnswer answer = rawGet(sim->httpPort, DocumentPath, 1500);
    QVERIFY(answer.bytes.isEmpty());
    QVERIFY(!answer.closed);
}

void tst_DevSim::slowAnswersLate()
{
    const auto sim = start({"--fault", "slow:1200"});
    QVERIFY(sim);
    QElapsedTimer timer;
    timer.start();
    const RawAnswer answer = rawGet(sim->httpPort, DocumentPath);
    QVERIFY(timer.elapsed() >= 1200);
    QVERIFY(answer.bytes.startsWith("HTTP/1.1 200 OK"));
    QCOMPARE(sensorsOf(bodyOf(answer.bytes)).size(), 3);
}

void tst_DevSim::setAnswersDespiteFault()
{
    const auto sim = start({"--fault", "hang"});
    QVERIFY(sim);
    QCOMPARE(get(sim->httpPort, "/sim/set?humidity=99"), QByteArray("ok"));
}

void tst_DevSim::setSwitchesTheFault()
{
    // A device that answers well first, then misbehaves, then recovers.
    const auto sim = start({"--no-drift"});
    QVERIFY(sim);
    int status = 0;
    QCOMPARE(sensorsOf(get(sim->httpPort, DocumentPath, &status)).size(), 3);
    QCOMPARE(get(sim->httpPort, "/sim/set?fault=http-error:503", &status), QByteArray("ok"));
    get(sim->httpPort, DocumentPath, &status);
    QCOMPARE(status, 503);

    QCOMPARE(get(sim->httpPort, "/sim/set?fault=hang"), QByteArray("ok"));
    QVERIFY(rawGet(sim->httpPort, DocumentPath, 1200).bytes.isEmpty());

    QCOMPARE(get(sim->httpPort, "/sim/set?fault=none&temperature=30"), QByteArray("ok"));
    const QJsonArray sensors = sensorsOf(get(sim->httpPort, DocumentPath, &status));
    QCOMPARE(status, 200);
    QCOMPARE(sensors.size(), 3);
    QCOMPARE(sensors[0].toObject().value("value").toString(), QString("30.0"));

    get(sim->httpPort, "/sim/set?fault=sometimes", &status);
    QCOMPARE(status, 400);
    QCOMPARE(sensorsOf(get(sim->httpPort, DocumentPath)).size(), 3); // still no fault
}

QTEST_GUILESS_MAIN(tst_DevSim)
#include "tst_devsim.moc"
