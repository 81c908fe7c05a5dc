#pragma once

#include "Application.h"

#include <QApplication>
#include <QByteArray>
#include <QDialog>
#include <QHostAddress>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <memory>

// While it lives, closes every modal dialog that comes up (the panel opens its setup dialog by
// itself when it has no tile), so a test never hangs in a nested dialog loop. Rejects by default.
class ModalCloser
{
public:
    explicit ModalCloser(QDialog::DialogCode answer = QDialog::Rejected)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this, answer] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                ++m_closed;
                dialog->done(answer);
            }
        });
        m_timer.start(50);
    }

    int closed() const { return m_closed; }

private:
    QTimer m_timer;
    int m_closed = 0;
};

// A sensor device on 127.0.0.1 with an ephemeral port: answers every GET with a canned JSON body
// and remembers the request lines it got.
class FakeDevice : public QObject
{
public:
    explicit FakeDevice(const QByteArray &body = QByteArray()) : m_body(body)
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }

    bool isListening() const { return m_server.isListening(); }
    quint16 port() const { return m_server.serverPort(); }
    // What the setup dialog would store for this device.
    QString hostText() const { return QStringLiteral("sim [127.0.0.1:%1]").arg(port()); }
    QStringList requestLines() const { return m_requestLines; }

private:
    void serve(QTcpSocket *socket)
    {
        auto received = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received] {
            received->append(socket->readAll());
            if (!received->contains("\r\n\r\n"))
                return;
            m_requestLines << QString::fromLatin1(received->left(received->indexOf("\r\n")));
            received->clear();
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
                          QByteArray::number(m_body.size()) + "\r\nConnection: close\r\n\r\n" +
                          m_body);
            socket->disconnectFromHost();
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

    QTcpServer m_server;
    QByteArray m_body;
    QStringList m_requestLines;
};

// The panel relies on the program's own application object, so these tests run under it.
#define BRIMO_APPLICATION_TEST_MAIN(TestClass)                                                     \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        Application app(argc, argv);                                                               \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
