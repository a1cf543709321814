#pragma once

// Runs a real tinyproxy (/usr/bin/tinyproxy) for a test: writes a config into
// a temporary folder (loopback only, Allow 127.0.0.1, a log file there),
// starts it in the foreground on a free loopback port, and stops it again.
// Tests of the proxy path read its log to see that a request went through it.
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class TinyProxy final {
public:
    TinyProxy();
    ~TinyProxy();

    TinyProxy(const TinyProxy &) = delete;
    TinyProxy &operator=(const TinyProxy &) = delete;

    // Starts the proxy and waits until it accepts connections.
    bool start(int timeoutMs = 10000);
    void stop();

    quint16 port() const { return m_port; }
    // Everything tinyproxy logged so far (one request line per request, e.g.
    // "Request (file descriptor 6): GET http://127.0.0.1:4000/file HTTP/1.1").
    QString log() const;
    // Waits until the log contains the text (tinyproxy writes it a moment
    // after answering).
    bool waitForLog(const QString &text, int timeoutMs = 5000) const;

    QString errorString() const { return m_error; }

    static QString programPath();

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
