#include "CDevListItem.h"
#include "CDevListModel.h"
#include "CDevListProxyModel.h"
#include "CSettings.h"
#include "CSetupDlg.h"
#include "SettingsFixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QTest>
#include <QUdpSocket>
#include <QtEndian>

// An open setup dialog under a flood of discovery datagrams of every kind: announcements from a
// few hundred devices again and again and from thousands seen once, short and long ones, wrong
// message types, the ignored format, random bytes of any length (none at all included). The list
// must end up with exactly the devices the datagrams announce, each with its last announcement.
namespace {

// BRIMO_FLOOD_DATAGRAMS sets another count.
const int DefaultDatagrams = 100000;
// Sent, then drained, so the receive buffer of the dialog's socket never overflows.
const int Batch = 100;
// GUI-thread CPU time 100 000 datagrams may take, the test's own sending included (measured about
// 3 s for the default count).
const qint64 MaxCpuMsPer100kDatagrams = 10000;

// What a device's row must show: its last announcement.
struct Expected
{
    QString address;
    QString hostName;
};

// Receive queue and drop count of the UDP socket bound to port, from the kernel's tables (a socket
// bound to any address is a dual-stack IPv6 one).
struct SocketCounters
{
    qint64 queued = -1;
    qint64 drops = -1;
};

SocketCounters udpSocket(quint16 port)
{
    SocketCounters counters;
    const QByteArray local = ':' + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const QString &path :
         {QStringLiteral("/proc/net/udp"), QStringLiteral("/proc/net/udp6")}) {
        QFile table(path);
        if (!table.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : table.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() < 13 || !fields[1].endsWith(local))
                continue;
            counters.queued = fields[4].split(':').value(1).toLongLong(nullptr, 16);
            counters.drops = fields[12].toLongLong();
        }
    }
    return counters;
}

// The announcement a datagram makes, decoded the way the devices define it: message type 1 at
// offset 4, missing bytes zero, format 16 ignored. False for anything else.
bool announcement(QByteArray datagram, QString *mac, Expected *expected)
{
    if (datagram.size() <= 4 || datagram.at(4) != char(1))
        return false;
    datagram = datagram.left(128).leftJustified(128, '\0');
    if (datagram.at(5) == char(16))
        return false;
    QStringList octets;
    for (int i = 6; i < 12; ++i)
        octets << QStringLiteral("%1").arg(quint8(datagram[i]), 2, 16, QLatin1Char('0')).toUpper();
    *mac = octets.join(QLatin1Char(':'));
    expected->address = QHostAddress(qFromBigEndian<quint32>(datagram.constData() + 12)).toString();
    // Name length: 0..99 as given, more is all 99 bytes, negative is up to the first zero.
    const int length = qint8(datagram.at(28));
    const QByteArray block = datagram.mid(29, 99);
    const int zero = block.indexOf('\0');
    // Zero bytes inside a name of given length belong to it.
    const int size = length >= 0 ? qMin(length, 99) : zero < 0 ? 99 : zero;
    expected->hostName = QString::fromLatin1(block.constData(), size);
    return true;
}

class Flood
{
public:
    explicit Flood(quint32 seed) : m_random(seed)
    {
        for (int i = 0; i < 300; ++i)
            m_knownMacs << randomBytes(6);
    }

    QByteArray next()
    {
        const int kind = m_random.bounded(100);
        if (kind < 30) // a known device
            return announce(m_knownMacs[m_random.bounded(m_knownMacs.size())]);
        if (kind < 36) // seen once
            return announce(randomBytes(6));
        if (kind < 46) // cut short anywhere, down to nothing
            return announce(m_knownMacs[m_random.bounded(m_knownMacs.size())])
                .left(m_random.bounded(128));
        if (kind < 56) // with a tail beyond the 128 bytes
            return announce(m_knownMacs[m_random.bounded(m_knownMacs.size())]) +
                   randomBytes(1 + m_random.bounded(1300));
        if (kind < 71) { // any message type but an announcement
            QByteArray datagram = announce(randomBytes(6));
            datagram[4] = char(2 + m_random.bounded(254));
            return datagram;
        }
        if (kind < 81) { // the ignored format
            QByteArray datagram = announce(m_knownMacs[m_random.bounded(m_knownMacs.size())]);
            datagram[5] = 16;
            return datagram;
        }
        return randomBytes(m_random.bounded(600));
    }

private:
    QByteArray randomBytes(int size)
    {
        QByteArray bytes(size, '\0');
        for (char &byte : bytes)
            byte = char(m_random.bounded(256));
        return bytes;
    }

    QByteArray announce(const QByteArray &mac)
    {
        QByteArray datagram = randomBytes(128);
        datagram[4] = 1;
        if (datagram.at(5) == char(16))
            datagram[5] = 0;
        datagram.replace(6, 6, mac);
        // Name lengths of every encoding: in range, too long, and "up to the first zero".
        const int length = m_random.bounded(-128, 128);
        datagram[28] = char(length);
        if (length < 0)
            datagram[29 + m_random.bounded(99)] = '\0';
        return datagram;
    }

    QRandomGenerator m_random;
    QList<QByteArray> m_knownMacs;
};

qint64 sortLines = 0;

} // namespace

class tst_DiscoveryFlood : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void flood();

private:
    QScopedPointer<SettingsFixture> m_settings;
};

void tst_DiscoveryFlood::initTestCase()
{
    REQUIRE_PRIVATE_NETWORK();
    // The model logs every datagram, the proxy every comparison.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type != QtDebugMsg)
            fprintf(stderr, "%s\n", qPrintable(text));
        else if (text.startsWith(QLatin1String("Sort")))
            ++sortLines;
    });
    m_settings.reset(new SettingsFixture);
    g_settings->m_scanPort = 9806;
}

void tst_DiscoveryFlood::flood()
{
    CSetupDlg dialog(nullptr);
    dialog.show();
    auto *model = dialog.findChild<CDevListModel *>();
    auto *proxy = dialog.findChild<CDevListProxyModel *>();
    QVERIFY(model && proxy);
    QVERIFY(udpSocket(g_settings->m_scanPort).drops == 0);

    QUdpSocket sender;
    QVERIFY(sender.bind(QHostAddress(QHostAddress::LocalHost), 0));

    Flood flood(20240607);
    QStringList order; // MACs in order of their first announcement
    QHash<QString, Expected> expected;
    int announcements = 0;

    QElapsedTimer clock;
    clock.start();
    const qint64 cpuAtStart = TestSupport::threadCpuNs();
    const int datagrams = qEnvironmentVariableIntValue("BRIMO_FLOOD_DATAGRAMS") > 0
                              ? qEnvironmentVariableIntValue("BRIMO_FLOOD_DATAGRAMS")
                              : DefaultDatagrams;
    for (int sent = 0; sent < datagrams;) {
        for (int i = 0; i < Batch; ++i, ++sent) {
            const QByteArray datagram = flood.next();
            QCOMPARE(
                sender.writeDatagram(datagram, QHostAddress::LocalHost, g_settings->m_scanPort),
                qint64(datagram.size()));
            QString mac;
            Expected device;
            if (announcement(datagram, &mac, &device)) {
                ++announcements;
                if (!expected.contains(mac))
                    order << mac;
                expected.insert(mac, device);
            }
        }
        while (udpSocket(g_settings->m_scanPort).queued != 0) {
            QCoreApplication::processEvents();
            // Only a guard against a hang, in the thread's own time so that a crowded machine
            // cannot trip it: the flood takes a few seconds of it.
            QVERIFY2(TestSupport::threadCpuNs() - cpuAtStart < 60 * qint64(1000000000),
                     qPrintable(QStringLiteral("the dialog did not keep up with the flood: %1 "
                                               "sent, %2 devices listed, %3 still queued")
                                    .arg(sent)
                                    .arg(model->rowCount())
                                    .arg(udpSocket(g_settings->m_scanPort).queued)));
        }
    }
    QCoreApplication::processEvents();
    const qint64 elapsed = clock.elapsed();
    const qint64 cpuMs = (TestSupport::threadCpuNs() - cpuAtStart) / 1000000;

    // What the kernel dropped never reached the dialog; the expected list assumes nothing was.
    QCOMPARE(udpSocket(g_settings->m_scanPort).drops, 0);

    qInfo("%d datagrams, %d of them announcements, %d devices; %lld ms, %lld ms of GUI-thread CPU; "
          "%lld sort comparisons",
          datagrams, announcements, int(order.size()), elapsed, cpuMs, sortLines);
    QVERIFY2(cpuMs <=
                 MaxCpuMsPer100kDatagrams * TestSupport::sanitizerSlowdown() * datagrams / 100000,
             "the dialog took too long over the flood");
    QCOMPARE(model->rowCount(), order.size());
    QStringList shown;
    for (int row = 0; row < proxy->rowCount(); ++row)
        shown << proxy->index(row, 2).data().toString();
    shown.sort();
    QStringList distinct = order;
    distinct.sort();
    QCOMPARE(shown, distinct);
    for (int row = 0; row < order.size(); ++row) {
        const QString &mac = order[row];
        QCOMPARE(model->index(row, 2).data().toString(), mac);
        QCOMPARE(model->index(row, 1).data().toString(), expected[mac].address);
        QCOMPARE(model->index(row, 0).data().toString(), expected[mac].hostName);
    }
}

QTEST_MAIN(tst_DiscoveryFlood)
#include "tst_discoveryflood.moc"
