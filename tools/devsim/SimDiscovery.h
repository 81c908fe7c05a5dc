#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>

// Answers discovery requests with an announcement, unicast to the sender.
class SimDiscovery : public QObject
{
    Q_OBJECT

public:
    explicit SimDiscovery(const QByteArray &announcement, QObject *parent = nullptr);

    // Binds the port on the address only, plus that address's subnet broadcast address (found
    // among the host's interfaces) so broadcast requests arrive too; never on "any".
    bool bind(const QHostAddress &address, quint16 port);
    quint16 port() const { return m_socket.localPort(); }
    QString errorString() const { return m_socket.errorString(); }

private slots:
    void onReadyRead();

private:
    static QHostAddress broadcastAddressOf(const QHostAddress &address);

    QByteArray m_announcement;
    QUdpSocket m_socket;          // bound to the device's own address; answers go out here
    QUdpSocket m_broadcastSocket; // receives subnet broadcasts
};
