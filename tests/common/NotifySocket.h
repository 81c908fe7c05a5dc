#pragma once

// Linux only: the service manager's end of the notification protocol, an AF_UNIX datagram socket
// bound in a directory of the test's own (QLocalSocket knows only streams).
#include <QByteArrayList>
#include <QTemporaryDir>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

class NotifySocket
{
public:
    NotifySocket() : m_path(m_dir.filePath(QStringLiteral("notify")).toLocal8Bit())
    {
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, m_path.constData(), sizeof address.sun_path - 1);
        m_fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK, 0);
        if (m_fd >= 0 && bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
            close(m_fd);
            m_fd = -1;
        }
    }
    ~NotifySocket()
    {
        if (m_fd >= 0)
            close(m_fd);
    }

    bool isBound() const { return m_fd >= 0; }
    QByteArray path() const { return m_path; }

    // The messages that came since the last call.
    QByteArrayList take()
    {
        QByteArrayList messages;
        char buffer[4096];
        ssize_t size;
        while (m_fd >= 0 && (size = recv(m_fd, buffer, sizeof buffer, 0)) >= 0)
            messages << QByteArray(buffer, int(size));
        return messages;
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_path;
    int m_fd = -1;
};
