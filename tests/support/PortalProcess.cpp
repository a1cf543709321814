#include "tests/support/PortalProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTcpServer>
#include <QTimer>

PortalProcess::PortalProcess(const QStringList &extraArgs)
    : m_extraArgs(extraArgs)
{
    // The portal logs to stderr; letting it through keeps its pipe from filling up and
    // shows the log next to a failing test.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

PortalProcess::~PortalProcess()
{
    stop();
}

QString PortalProcess::programPath()
{
    const QString fromEnv = qEnvironmentVariable("LITHARVEST_PORTAL");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../portal/litharvest-portal");
}

bool PortalProcess::start(int timeoutMs)
{
    stop();
    m_error.clear();
    m_stoppedCleanly = false;
    const QString program = programPath();
    if (!QFileInfo(program).isExecutable()) {
        m_error = QStringLiteral("portal binary not found: ") + program;
        return false;
    }

    // A test that crashes must not leave its portal running.
    QStringList args{QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--exit-with-parent")};
    args += m_extraArgs;
    m_process.start(program, args, QIODevice::ReadOnly);
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("portal did not start: ") + m_process.errorString();
        return false;
    }

    const QDeadlineTimer deadline(timeoutMs);
    while (!m_process.canReadLine()) {
        if (m_process.state() != QProcess::Running) {
            m_error = QStringLiteral("portal ended before printing its address (exit code %1)")
                          .arg(m_process.exitCode());
            return false;
        }
        if (deadline.hasExpired() || !m_process.waitForReadyRead(int(deadline.remainingTime()))) {
            if (m_process.canReadLine())
                break;
            if (deadline.hasExpired()) {
                m_error = QStringLiteral("portal printed no address within %1 ms").arg(timeoutMs);
                stop();
                return false;
            }
        }
    }

    const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
    if (!line.startsWith(QLatin1String("http://")) || !line.endsWith(QLatin1Char('/'))) {
        m_error = QStringLiteral("unexpected first line from portal: ") + line;
        stop();
        return false;
    }
    m_base = line;
    return true;
}

QString PortalProcess::base() const
{
    return m_base;
}

QString PortalProcess::url(const QString &relative) const
{
    return m_base + relative;
}

void PortalProcess::stop()
{
    m_base.clear();
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (m_process.waitForFinished(5000)) {
        m_stoppedCleanly = m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
        return;
    }
    m_process.kill();
    m_process.waitForFinished(5000);
    m_stoppedCleanly = false;
}

bool PortalProcess::stoppedCleanly() const
{
    return m_stoppedCleanly;
}

bool PortalProcess::isRunning() const
{
    return m_process.state() == QProcess::Running;
}

QString PortalProcess::errorString() const
{
    return m_error;
}

QList<PortalRequest> PortalProcess::requests(int timeoutMs) const
{
    if (m_base.isEmpty())
        return {};
    // A test helper may wait in place: its own manager and loop, so no engine or reply of
    // the test under way sees this request.
    QNetworkAccessManager network;
    QNetworkRequest request{QUrl(url(QStringLiteral("requests.txt")))};
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    QNetworkReply *reply = network.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    QList<PortalRequest> result;
    if (reply->isFinished() && reply->error() == QNetworkReply::NoError) {
        const QStringList lines = QString::fromUtf8(reply->readAll()).split(QLatin1Char('\n'));
        for (const QString &line : lines) {
            if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
                continue;
            const QStringList f = line.split(QLatin1Char('\t'));
            if (f.size() != 7)
                continue;
            result.append(PortalRequest{f[0], f[1], f[2], f[3], f[4], f[5], f[6]});
        }
    }
    reply->abort();
    delete reply;
    return result;
}

QList<PortalRequest> PortalProcess::requestsTo(const QString &targetPart, int timeoutMs) const
{
    QList<PortalRequest> matching;
    for (const PortalRequest &r : requests(timeoutMs)) {
        if (r.target.contains(targetPart))
            matching.append(r);
    }
    return matching;
}

QString RefusedLoopbackUrl(const QString &path)
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    const quint16 port = server.serverPort();
    server.close();
    return QStringLiteral("http://127.0.0.1:%1/").arg(port) + path;
}
