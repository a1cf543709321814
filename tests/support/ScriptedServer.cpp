#include "tests/support/ScriptedServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <utility>

ScriptedServer::ScriptedServer(QByteArray response, End end)
    : m_response(std::move(response))
    , m_end(end)
{
}

ScriptedServer::~ScriptedServer()
{
    m_stopping = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_listener >= 0)
        ::close(m_listener);
}

bool ScriptedServer::start()
{
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    if (m_listener < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::listen(m_listener, 8) != 0
        || ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return false;
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
    return true;
}

QByteArray ScriptedServer::base() const
{
    QByteArray base("http://127.0.0.1:");
    base.append(QByteArray::number(m_port)).append('/');
    return base;
}

void ScriptedServer::serve()
{
    while (!m_stopping) {
        pollfd waiting{m_listener, POLLIN, 0};
        if (::poll(&waiting, 1, 100) <= 0)
            continue;
        const int connection = ::accept(m_listener, nullptr, nullptr);
        if (connection < 0)
            continue;
        // Read the request head, then answer with the script.
        QByteArray request;
        char buffer[4096];
        while (!request.contains("\r\n\r\n")) {
            pollfd readable{connection, POLLIN, 0};
            if (m_stopping || ::poll(&readable, 1, 100) < 0)
                break;
            if (!(readable.revents & POLLIN))
                continue;
            const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            request.append(buffer, got);
        }
        for (qsizetype sent = 0; sent < m_response.size();) {
            const ssize_t n = ::send(connection, m_response.constData() + sent, size_t(m_response.size() - sent),
                                     MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += n;
        }
        while (m_end == End::Hold && !m_stopping)
            ::poll(nullptr, 0, 50);
        if (m_end == End::Reset) {
            linger reset{1, 0};
            ::setsockopt(connection, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        }
        ::close(connection);
    }
}
