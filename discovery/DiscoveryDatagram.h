#pragma once

#include <QByteArray>
#include <QString>

class CDevListItem;

// The discovery datagrams: a 128-byte request of zeros, answered by 128-byte announcements
// (big-endian leading word, message type, format byte, six MAC bytes, four IPv4 addresses and a
// length-prefixed Latin-1 host name).
namespace DiscoveryDatagram {

constexpr int Size = 128;
constexpr int MessageTypeOffset = 4;
constexpr int NameBlockOffset = 28;
constexpr int NameBlockSize = 100;
constexpr quint8 Announcement = 1;
// Announcements in this format are not listed.
constexpr int IgnoredFormat = 16;

QByteArray request();

// The message type byte (0 for a datagram too short to carry one).
quint8 messageType(const QByteArray &datagram);

// Fills the announcement fields of item (all but its parent and children) from datagram, read as
// if zero-filled to 128 bytes; bytes after the first 128 are ignored. Does not look at the type.
void decode(const QByteArray &datagram, CDevListItem *item);

// "00:1A:2B:3C:4D:5E" from six bytes.
QString macText(const char *bytes);

// The host name of a 100-byte name block (length byte first).
QString hostName(const QByteArray &nameBlock);

} // namespace DiscoveryDatagram
