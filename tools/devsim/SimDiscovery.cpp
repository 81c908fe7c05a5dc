#include "SimDiscovery.h"

#include "SimProtocol.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>

SimDiscovery::SimDiscovery(const QByteArray &announcement, QObject *parent)
    : QObject(parent), m_announcement(announcement)
{
    connect(&m_socket, &QUdpSocket::readyRead, this, &SimDiscovery::onReadyRead);
    connect(&m_broadcastSocket, &QUdpSocket::readyRead, this, &SimDiscovery::onReadyRead);
}

bool SimDiscovery::bind(const QHostAddress &address, quint16 port)
{
    const auto mode = QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint;
    if (!m_socket.bind(address, port, mode))
        return false;
    const QHostAddress broadcast = broadcastAddressOf(address);
    if (!broadcast.isNull())
        m_broadcastSocket.bind(broadcast, m_socket.localPort(), mode);
    return true;
}

QHostAddress SimDiscovery::broadcastAddressOf(const QHostAddress &address)
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces) {
        if (!(iface.flags() & QNetworkInterface::CanBroadcast))
            continue;
        const auto entries = iface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries) {
            if (entry.ip() == address)
                return entry.broadcast();
        }
    }
    return QHostAddress();
}

void SimDiscovery::onReadyRead()
{
    auto *socket = qobject_cast<QUdpSocket *>(sender());
    while (socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket->receiveDatagram();
        if (SimProtocol::isDiscoveryRequest(datagram.data()) && datagram.senderPort() > 0)
            m_socket.writeDatagram(m_announcement, datagram.senderAddress(),
                                   quint16(datagram.senderPort()));
    }
}
