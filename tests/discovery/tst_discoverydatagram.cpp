#include "Announcement.h"
#include "CDevListItem.h"
#include "DiscoveryDatagram.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

using namespace DiscoveryDatagram;
using TestSupport::announcement;
using TestSupport::announcementWithNameBlock;

class tst_DiscoveryDatagram : public QObject
{
    Q_OBJECT

private slots:
    void request();
    void messageType_data();
    void messageType();
    void fields();
    void shortDatagrams_data();
    void shortDatagrams();
    void longDatagramIgnoresTail();
    void macText_data();
    void macText();
    void hostName_data();
    void hostName();
    void randomDatagrams();
};

void tst_DiscoveryDatagram::request()
{
    const QByteArray bytes = DiscoveryDatagram::request();
    QCOMPARE(bytes, QByteArray(128, '\0'));
    QCOMPARE(DiscoveryDatagram::messageType(bytes), quint8(0));
}

void tst_DiscoveryDatagram::messageType_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<int>("type");
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("four bytes") << QByteArray("\1\1\1\1") << 0;
    QTest::newRow("announcement, 5 bytes") << QByteArray::fromHex("0000000001") << 1;
    QTest::newRow("request") << QByteArray(128, '\0') << 0;
    QTest::newRow("type 2") << QByteArray::fromHex("0000000002") << 2;
    QTest::newRow("type -1 read unsigned") << QByteArray::fromHex("00000000ff") << 255;
    QTest::newRow("type 0x81") << QByteArray::fromHex("0000000181") << 0x81;
}

void tst_DiscoveryDatagram::messageType()
{
    QFETCH(QByteArray, datagram);
    QFETCH(int, type);
    QCOMPARE(int(DiscoveryDatagram::messageType(datagram)), type);
}

void tst_DiscoveryDatagram::fields()
{
    QByteArray bytes = QByteArray::fromHex("80000001" // leading word, negative
                                           "01c8"     // type 1, format byte 200
                                           "001a2b3c4d5e"
                                           "c0a80114"   // 192.168.1.20
                                           "0a000001"   // 10.0.0.1
                                           "00000000"   // 0.0.0.0
                                           "ffffffff"); // 255.255.255.255
    bytes += char(5) + QByteArray("alpha");
    bytes.append(Size - bytes.size(), '\0');

    CDevListItem item;
    decode(bytes, &item);
    QCOMPARE(item.m_leadingWord, qint32(0x80000001));
    QCOMPARE(item.m_formatByte, 200);
    QCOMPARE(item.m_macText, QStringLiteral("00:1A:2B:3C:4D:5E"));
    QCOMPARE(item.m_address, QHostAddress(QStringLiteral("192.168.1.20")));
    QCOMPARE(item.m_address2, QHostAddress(QStringLiteral("10.0.0.1")));
    QCOMPARE(item.m_address3.toString(), QStringLiteral("0.0.0.0"));
    QCOMPARE(item.m_address4.toString(), QStringLiteral("255.255.255.255"));
    QCOMPARE(item.m_hostName, QStringLiteral("alpha"));

    // The ignored format is reported like any other; dropping it is the model's business.
    decode(announcement(QByteArray(6, '\1'), 0, QByteArray(), IgnoredFormat), &item);
    QCOMPARE(item.m_formatByte, 16);
}

void tst_DiscoveryDatagram::shortDatagrams_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("hostName");

    QTest::newRow("empty") << QByteArray() << "00:00:00:00:00:00"
                           << "0.0.0.0" << QString();
    QTest::newRow("5 bytes") << QByteArray::fromHex("0000000001") << "00:00:00:00:00:00"
                             << "0.0.0.0" << QString();
    QTest::newRow("cut inside MAC")
        << QByteArray::fromHex("0000000001000a0b0c") << "0A:0B:0C:00:00:00"
        << "0.0.0.0" << QString();
    QTest::newRow("cut inside address")
        << QByteArray::fromHex("0000000001000102030405060a4d") << "01:02:03:04:05:06"
        << "10.77.0.0" << QString();
    // The length says 6, only "abc" arrived: the rest reads as zero bytes.
    const QByteArray head =
        QByteArray::fromHex("000000000100010203040506c0a80114") + QByteArray(12, 0);
    QTest::newRow("cut inside name") << head + char(6) + QByteArray("abc") << "01:02:03:04:05:06"
                                     << "192.168.1.20" << QString::fromLatin1("abc\0\0\0", 6);
    QTest::newRow("cut before name") << head << "01:02:03:04:05:06"
                                     << "192.168.1.20" << QString();
}

void tst_DiscoveryDatagram::shortDatagrams()
{
    QFETCH(QByteArray, datagram);
    QFETCH(QString, mac);
    QFETCH(QString, address);
    QFETCH(QString, hostName);

    CDevListItem item;
    item.m_hostName = QStringLiteral("stale");
    decode(datagram, &item);
    QCOMPARE(item.m_macText, mac);
    QCOMPARE(item.m_address.toString(), address);
    QCOMPARE(item.m_hostName, hostName);
    QCOMPARE(item.m_formatByte, 0);
}

void tst_DiscoveryDatagram::longDatagramIgnoresTail()
{
    // A name without end runs to the end of the block, never into the bytes after offset 127.
    const QByteArray datagram =
        announcementWithNameBlock(QByteArray(6, '\0'), 0x0a4d0002, '\xff' + QByteArray(99, 'n')) +
        QByteArray(50, 't');
    QCOMPARE(datagram.size(), 178);
    CDevListItem item;
    decode(datagram, &item);
    QCOMPARE(item.m_hostName, QString(99, QLatin1Char('n')));
    QCOMPARE(item.m_address.toString(), QStringLiteral("10.77.0.2"));
}

void tst_DiscoveryDatagram::macText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("upper-case, padded")
        << QByteArray::fromHex("0a0b0c0d0e0f") << "0A:0B:0C:0D:0E:0F";
    QTest::newRow("mixed") << QByteArray::fromHex("001a2b3c4d5e") << "00:1A:2B:3C:4D:5E";
    QTest::newRow("high bytes unsigned")
        << QByteArray::fromHex("ff80fe7f0100") << "FF:80:FE:7F:01:00";
    QTest::newRow("zero") << QByteArray(6, '\0') << "00:00:00:00:00:00";
}

void tst_DiscoveryDatagram::macText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(DiscoveryDatagram::macText(bytes.constData()), text);

    CDevListItem item;
    decode(announcement(bytes, 0, QByteArray()), &item);
    QCOMPARE(item.m_macText, text);
}

void tst_DiscoveryDatagram::hostName_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<QString>("name");

    const QByteArray letters = QByteArray("abcdefghij").repeated(10); // 100 bytes
    QTest::newRow("length 0") << QByteArray("\0abc", 4) << QString();
    QTest::newRow("length 5, embedded zeros")
        << QByteArray("\5abc\0\0xyz", 9) << QString::fromLatin1("abc\0\0", 5);
    QTest::newRow("Latin-1") << QByteArray("\4G\xe4st", 5) << QString::fromUtf8("G\xc3\xa4st");
    QTest::newRow("length 99") << char(99) + letters.left(99)
                               << QString::fromLatin1(letters.left(99));
    QTest::newRow("length 100") << char(100) + letters.left(99)
                                << QString::fromLatin1(letters.left(99));
    QTest::newRow("length 127") << char(127) + letters.left(99)
                                << QString::fromLatin1(letters.left(99));
    QTest::newRow("negative, to zero byte") << QByteArray("\xff"
                                                          "ab\0cd",
                                                          6)
                                            << "ab";
    QTest::newRow("-128, to zero byte") << QByteArray("\x80"
                                                      "host\0",
                                                      6)
                                        << "host";
    QTest::newRow("negative, no zero byte")
        << '\x90' + letters.left(99) << QString::fromLatin1(letters.left(99));
    QTest::newRow("negative, zero first") << QByteArray("\xff\0ab", 4) << QString();
}

void tst_DiscoveryDatagram::hostName()
{
    QFETCH(QByteArray, block);
    QFETCH(QString, name);
    QByteArray full = block;
    full.append(NameBlockSize - full.size(), '\0');
    QCOMPARE(DiscoveryDatagram::hostName(full), name);

    CDevListItem item;
    decode(announcementWithNameBlock(QByteArray(6, '\0'), 0, block), &item);
    QCOMPARE(item.m_hostName, name);
}

void tst_DiscoveryDatagram::randomDatagrams()
{
    // Whatever arrives decodes to a well-formed record.
    QRandomGenerator random(20240611);
    const QRegularExpression macPattern(QStringLiteral("^([0-9A-F]{2}:){5}[0-9A-F]{2}$"));
    for (int i = 0; i < 5000; ++i) {
        QByteArray datagram(int(random.bounded(200)), '\0');
        for (char &byte : datagram)
            byte = char(random.bounded(256));
        CDevListItem item;
        decode(datagram, &item);
        QVERIFY(macPattern.match(item.m_macText).hasMatch());
        QVERIFY(item.m_hostName.size() <= 99);
        QVERIFY(item.m_formatByte >= 0 && item.m_formatByte <= 255);
        QCOMPARE(item.m_address.protocol(), QAbstractSocket::IPv4Protocol);
        QCOMPARE(item.m_address4.protocol(), QAbstractSocket::IPv4Protocol);
    }
}

QTEST_APPLESS_MAIN(tst_DiscoveryDatagram)
#include "tst_discoverydatagram.moc"
