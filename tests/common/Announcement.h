#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QtEndian>

// Discovery announcements as a device sends them. The layout is the devices' own, so it is written
// out here rather than taken from the program: message type 1 at offset 4, the format byte, six MAC
// bytes at 6, the device's IPv4 address at 12 (three more addresses follow, zero here) and the name
// block at 28 (a length byte, then the Latin-1 name); 128 bytes, zero-filled.
namespace TestSupport {

// 02:00:nn:nn:nn:nn, a locally administered MAC for device n.
inline QByteArray testMac(quint32 n)
{
    QByteArray bytes = QByteArray::fromHex("020000000000");
    qToBigEndian(n, bytes.data() + 2);
    return bytes;
}

// With the name block as given, length byte included, for names whose length byte lies.
inline QByteArray announcementWithNameBlock(const QByteArray &mac, quint32 address,
                                            const QByteArray &nameBlock, quint8 format = 0)
{
    QByteArray bytes(128, '\0');
    bytes[4] = 1;
    bytes[5] = char(format);
    bytes.replace(6, 6, mac.left(6).leftJustified(6, '\0'));
    qToBigEndian(address, bytes.data() + 12);
    bytes.replace(28, nameBlock.size(), nameBlock.left(100));
    return bytes.left(128);
}

inline QByteArray announcement(const QByteArray &mac, quint32 address, const QByteArray &name,
                               quint8 format = 0)
{
    return announcementWithNameBlock(mac, address, char(name.size()) + name, format);
}

inline QByteArray announcement(const QByteArray &mac, const QString &address,
                               const QByteArray &name, quint8 format = 0)
{
    return announcement(mac, QHostAddress(address).toIPv4Address(), name, format);
}

} // namespace TestSupport
