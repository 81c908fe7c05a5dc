#include "DiscoveryDatagram.h"

#include "CDevListItem.h"

#include <QDataStream>

namespace DiscoveryDatagram {

QByteArray request()
{
    return QByteArray(Size, '\0');
}

quint8 messageType(const QByteArray &datagram)
{
    return datagram.size() > MessageTypeOffset ? quint8(datagram.at(MessageTypeOffset)) : 0;
}

void decode(const QByteArray &datagram, CDevListItem *item)
{
    QByteArray bytes = datagram.left(Size);
    bytes.append(Size - bytes.size(), '\0');

    QDataStream stream(bytes);
    stream.setByteOrder(QDataStream::BigEndian);
    qint32 leadingWord;
    qint8 type;
    quint8 format;
    char mac[6];
    quint32 addresses[4];
    stream >> leadingWord >> type >> format;
    stream.readRawData(mac, sizeof mac);
    for (quint32 &address : addresses)
        stream >> address;

    item->m_leadingWord = leadingWord;
    item->m_formatByte = format;
    item->m_macText = macText(mac);
    item->m_address = QHostAddress(addresses[0]);
    item->m_address2 = QHostAddress(addresses[1]);
    item->m_address3 = QHostAddress(addresses[2]);
    item->m_address4 = QHostAddress(addresses[3]);
    item->m_hostName = hostName(bytes.mid(NameBlockOffset, NameBlockSize));
}

QString macText(const char *bytes)
{
    QString text = QStringLiteral("%1:%2:%3:%4:%5:%6");
    for (int i = 0; i < 6; ++i)
        text = text.arg(uint(quint8(bytes[i])), 2, 16, QLatin1Char('0'));
    return text.toUpper();
}

QString hostName(const QByteArray &nameBlock)
{
    if (nameBlock.isEmpty())
        return QString();
    const qint8 length = qint8(nameBlock.at(0));
    const QByteArray text = nameBlock.mid(1, NameBlockSize - 1);
    int size = length;
    if (length < 0) {
        // A negative length: the name runs to the first zero byte.
        size = text.indexOf('\0');
        if (size < 0)
            size = text.size();
    }
    // With an explicit size, so that zero bytes inside the name are kept.
    return QString::fromLatin1(text.constData(), qMin(size, text.size()));
}

} // namespace DiscoveryDatagram
