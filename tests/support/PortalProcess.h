#pragma once

// Runs the sample portal (litharvest-portal) for a test: starts it on a free loopback
// port, learns its base address from the first line it prints, and stops it again.
// Every test that talks HTTP uses one of these instead of a mocked network.
#include <QProcess>
#include <QString>
#include <QStringList>

class PortalProcess final {
public:
    // extraArgs are passed after "--port 0", e.g. {"--seed", "7", "--require-login"}.
    explicit PortalProcess(const QStringList &extraArgs = {});
    ~PortalProcess();

    PortalProcess(const PortalProcess &) = delete;
    PortalProcess &operator=(const PortalProcess &) = delete;

    // Starts the portal and waits until it prints its base address (it is then listening).
    bool start(int timeoutMs = 10000);

    // "http://127.0.0.1:PORT/" once started, empty before.
    QString base() const;

    // base() + relative, e.g. url("file?kind=pdf") .
    QString url(const QString &relative) const;

    // Asks the portal to stop (SIGTERM), kills it if it does not end within a few seconds.
    void stop();

    bool isRunning() const;

    // After stop(): whether the portal ended on its own with exit code 0 (it was not killed).
    bool stoppedCleanly() const;

    // Why start() failed, for QVERIFY2.
    QString errorString() const;

    // The portal binary: env LITHARVEST_PORTAL, else ../portal/litharvest-portal beside the test.
    static QString programPath();

private:
    QStringList m_extraArgs;
    QProcess m_process;
    QString m_base;
    QString m_error;
    bool m_stoppedCleanly = false;
};
