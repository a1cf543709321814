#pragma once

// Runs the sample portal (litharvest-portal) for a test: starts it on a free loopback
// port, learns its base address from the first line it prints, and stops it again.
// Every test that talks HTTP uses one of these instead of a mocked network.
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

// One line of the portal's request log (<base>requests.txt): what a client really sent.
// Headers that were absent are empty.
struct PortalRequest {
    QString method;
    QString target; // path with query, as sent: "/file?kind=pdf&size=1000"
    QString referer;
    QString via;
    QString cookie;
    QString userAgent;
    QString host;
};

// An http address on a loopback port where nothing listens (a refused
// connection), with the given path, e.g. "litharvest/newver.txt".
QString RefusedLoopbackUrl(const QString &path);

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

    // The last requests the portal was asked (at most 200), oldest first; fetched from
    // requests.txt at once, waiting up to timeoutMs. Empty when the portal does not answer.
    QList<PortalRequest> requests(int timeoutMs = 10000) const;
    // Those of requests() whose target contains the text, e.g. a marker in the query.
    QList<PortalRequest> requestsTo(const QString &targetPart, int timeoutMs = 10000) const;

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
