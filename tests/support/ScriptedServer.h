#pragma once
// A loopback HTTP server that answers every request with the same scripted
// bytes, for the misbehaviours the sample portal has no address for: a
// redirect to a file: address, a redirect without a target, a connection
// reset in the middle of a body, a broken chunk-size line, an encoded body,
// a header block too large to keep, a server that accepts and never
// answers. It runs on its own thread, so a test may
// block waiting for a child process while the server answers.
#include <QByteArray>

#include <atomic>
#include <thread>

class ScriptedServer final
{
public:
    enum class End {
        Close, // the connection is closed normally after the bytes
        Reset, // the connection is reset (TCP RST) after the bytes
        Hold,  // the connection stays open, silent, until the server goes
    };

    ScriptedServer(QByteArray response, End end);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer &) = delete;
    ScriptedServer &operator=(const ScriptedServer &) = delete;

    // Listens on a free loopback port; false when that fails.
    bool start();
    // "http://127.0.0.1:PORT/"
    QByteArray base() const;

private:
    void serve();

    QByteArray m_response;
    End m_end;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};
