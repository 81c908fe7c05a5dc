#pragma once

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <memory>

// A sensor device on 127.0.0.1 with an ephemeral port. It records every request line and answers
// each GET with `body`, or keeps the request open while `hold` is set (answer() it later), or
// while `endless` is set sends a chunked body that never ends, as fast as the client reads.
class FakeDevice : public QObject
{
public:
    explicit FakeDevice(const QByteArray &answerBody = QByteArray()) : body(answerBody)
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }

    bool isListening() const { return m_server.isListening(); }
    quint16 port() const { return m_server.serverPort(); }
    // What the setup dialog would store for this device, and the URL a tile then asks.
    QString hostText() const { return QStringLiteral("sim [127.0.0.1:%1]").arg(port()); }
    QString url() const
    {
        return QStringLiteral("http://127.0.0.1:%1/tpl/document.cgi?tpl/j/panel.tpl&format=json")
            .arg(port());
    }

    static void answer(QTcpSocket *socket, const QByteArray &content,
                       const QByteArray &extraHeaders = QByteArray())
    {
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n" + extraHeaders +
                      "Content-Length: " + QByteArray::number(content.size()) + "\r\n\r\n" +
                      content);
        socket->flush();
    }

    QByteArray body;
    QByteArray headers; // more header lines for every answer, each ending in CR LF
    bool hold = false;
    bool endless = false;
    QStringList requests;
    QList<QPointer<QTcpSocket>> held; // sockets of unanswered requests, oldest first

private:
    void serve(QTcpSocket *socket)
    {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            *buffer += socket->readAll();
            int end;
            while ((end = buffer->indexOf("\r\n\r\n")) >= 0) {
                requests << QString::fromLatin1(buffer->left(buffer->indexOf("\r\n")));
                buffer->remove(0, end + 4);
                if (hold)
                    held << socket;
                else if (endless)
                    stream(socket);
                else
                    answer(socket, body, headers);
            }
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

    static void stream(QTcpSocket *socket)
    {
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                      "Transfer-Encoding: chunked\r\n\r\n");
        const QByteArray chunk = "4000\r\n" + QByteArray(0x4000, ' ') + "\r\n";
        auto topUp = [socket, chunk] {
            while (socket->bytesToWrite() < 4 * chunk.size())
                socket->write(chunk);
        };
        connect(socket, &QTcpSocket::bytesWritten, socket, topUp);
        topUp();
    }

    QTcpServer m_server;
};
