#pragma once

#include "SimOptions.h"

#include <QHash>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;
class SimDevice;

// A minimal HTTP/1.1 server: reads up to the end of the request head, answers and closes (or, with
// --keep-alive, waits for the next request after an answer of status 200).
class SimHttpServer : public QObject
{
    Q_OBJECT

public:
    SimHttpServer(SimDevice *device, const SimFault &fault, QObject *parent = nullptr);

    bool listen(const QHostAddress &address, quint16 port);
    quint16 port() const { return m_server.serverPort(); }
    QString errorString() const { return m_server.errorString(); }

private slots:
    void onNewConnection();

private:
    void awaitRequest(QTcpSocket *socket);
    void onReadyRead(QTcpSocket *socket);
    void handle(QTcpSocket *socket, const QByteArray &head);
    void answerDocument(QTcpSocket *socket);
    void answerSet(QTcpSocket *socket, const QByteArray &query);
    void reply(QTcpSocket *socket, int code, const QByteArray &contentType, const QByteArray &body);

    SimDevice *m_device;
    SimFault m_fault;
    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_heads; // request heads still being read
    int m_documentRequests = 0;
};
