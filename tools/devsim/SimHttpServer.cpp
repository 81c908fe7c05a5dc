#include "SimHttpServer.h"

#include "SimDevice.h"
#include "SimProtocol.h"

#include <QTcpSocket>
#include <QTimer>

namespace {
const int MaxHeadSize = 64 * 1024;
const int HeadTimeoutMs = 10000; // a client that never finishes its request head is dropped
const int HugeSize = 8 * 1024 * 1024;
const int GarbageSize = 4096;
} // namespace

SimHttpServer::SimHttpServer(SimDevice *device, const SimFault &fault, QObject *parent)
    : QObject(parent), m_device(device), m_fault(fault)
{
    connect(&m_server, &QTcpServer::newConnection, this, &SimHttpServer::onNewConnection);
}

bool SimHttpServer::listen(const QHostAddress &address, quint16 port)
{
    m_server.setMaxPendingConnections(256);
    return m_server.listen(address, port);
}

void SimHttpServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_heads.remove(socket);
            socket->deleteLater();
        });
        auto *headTimer = new QTimer(socket);
        headTimer->setObjectName(QStringLiteral("head"));
        headTimer->setSingleShot(true);
        connect(headTimer, &QTimer::timeout, this, [this, socket] {
            if (m_heads.remove(socket)) {
                socket->abort();
                socket->deleteLater();
            }
        });
        awaitRequest(socket);
    }
}

void SimHttpServer::awaitRequest(QTcpSocket *socket)
{
    m_heads.insert(socket, QByteArray());
    socket->findChild<QTimer *>(QStringLiteral("head"))->start(HeadTimeoutMs);
}

void SimHttpServer::onReadyRead(QTcpSocket *socket)
{
    auto pending = m_heads.find(socket);
    if (pending == m_heads.end()) {
        socket->readAll(); // the request was handled; whatever follows is ignored
        return;
    }
    pending->append(socket->readAll());
    int end = pending->indexOf("\r\n\r\n");
    if (end < 0)
        end = pending->indexOf("\n\n");
    if (end < 0 && pending->size() <= MaxHeadSize)
        return;
    const QByteArray head = end < 0 ? QByteArray() : pending->left(end);
    m_heads.erase(pending);
    if (end < 0)
        reply(socket, 431, "text/plain", "request head too large\n");
    else
        handle(socket, head);
}

void SimHttpServer::handle(QTcpSocket *socket, const QByteArray &head)
{
    const SimProtocol::HttpRequest request = SimProtocol::parseRequestHead(head);
    if (!request.valid)
        reply(socket, 400, "text/plain", "bad request\n");
    else if (request.method != "GET")
        reply(socket, 405, "text/plain", "only GET\n");
    else if (SimProtocol::isPanelDocumentRequest(request))
        answerDocument(socket);
    else if (request.path == "/sim/set")
        answerSet(socket, request.query);
    else
        reply(socket, 404, "text/plain", "not found\n");
}

void SimHttpServer::answerDocument(QTcpSocket *socket)
{
    const int sequence = m_documentRequests++;
    if (m_device->options().driftEveryPoll)
        m_device->stepForPoll();
    switch (m_fault.kind) {
    case SimFault::None:
        reply(socket, 200, "application/json", m_device->document());
        break;
    case SimFault::Slow:
        // The values are those at answer time; the socket going away cancels the answer.
        QTimer::singleShot(m_fault.parameter, socket, [this, socket] {
            reply(socket, 200, "application/json", m_device->document());
        });
        break;
    case SimFault::Hang:
        break; // keeps the connection open until the client gives up
    case SimFault::Garbage:
        reply(socket, 200, "application/json", m_device->randomBytes(GarbageSize));
        break;
    case SimFault::NonJson:
        reply(socket, 200, "text/plain",
              QStringLiteral("Brimo sensor\ntemperature %1 C\nhumidity %2 %\n")
                  .arg(m_device->temperature())
                  .arg(m_device->humidity())
                  .toLatin1());
        break;
    case SimFault::WrongTypes:
        reply(
            socket, 200, "application/json",
            SimProtocol::wrongTypesDocument(m_fault.parameter >= 0 ? m_fault.parameter : sequence));
        break;
    case SimFault::Huge:
        reply(socket, 200, "application/json",
              SimProtocol::hugeDocument(m_device->document(), HugeSize));
        break;
    case SimFault::Reset:
        socket->abort();
        socket->deleteLater();
        break;
    case SimFault::HttpError: {
        const QByteArray status = QByteArray::number(m_fault.parameter) + ' ' +
                                  SimProtocol::reasonPhrase(m_fault.parameter);
        reply(socket, m_fault.parameter, "text/html",
              "<html><head><title>" + status + "</title></head><body><h1>" + status +
                  "</h1></body></html>\n");
        break;
    }
    }
}

void SimHttpServer::answerSet(QTcpSocket *socket, const QByteArray &query)
{
    SimProtocol::SetRequest set;
    QString error;
    if (!SimProtocol::parseSetQuery(query, &set, &error)) {
        reply(socket, 400, "text/plain", error.toUtf8() + '\n');
        return;
    }
    if (set.hasTemperature)
        m_device->setTemperature(set.temperature);
    if (set.hasHumidity)
        m_device->setHumidity(set.humidity);
    if (set.hasFault)
        m_fault = set.fault; // from the next document request on
    reply(socket, 200, "text/plain", "ok");
}

void SimHttpServer::reply(QTcpSocket *socket, int code, const QByteArray &contentType,
                          const QByteArray &body)
{
    if (socket->state() != QAbstractSocket::ConnectedState)
        return;
    const bool keepAlive = code == 200 && m_device->options().keepAlive;
    socket->write(SimProtocol::httpResponse(code, contentType, body, keepAlive));
    if (keepAlive)
        awaitRequest(socket);
    else
        socket->disconnectFromHost(); // after the pending bytes are written
}
