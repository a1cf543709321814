#include "tests/support/TinyProxy.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

TinyProxy::TinyProxy()
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

TinyProxy::~TinyProxy()
{
    stop();
}

QString TinyProxy::programPath()
{
    return QStringLiteral("/usr/bin/tinyproxy");
}

bool TinyProxy::start(int timeoutMs)
{
    stop();
    m_error.clear();
    if (!QFileInfo(programPath()).isExecutable()) {
        m_error = QStringLiteral("tinyproxy not installed at ") + programPath();
        return false;
    }
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder for the proxy");
        return false;
    }
    {
        // A port the system just handed out; tinyproxy takes it a moment later.
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 0)) {
            m_error = QStringLiteral("no free loopback port");
            return false;
        }
        m_port = probe.serverPort();
    }
    const QString config = m_dir.filePath(QStringLiteral("tinyproxy.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_error = QStringLiteral("cannot write ") + config;
        return false;
    }
    const QString text = QStringLiteral("Port %1\nListen 127.0.0.1\nTimeout 600\nAllow 127.0.0.1\n"
                                        "LogFile \"%2\"\nLogLevel Info\nMaxClients 50\n")
                             .arg(m_port)
                             .arg(m_dir.filePath(QStringLiteral("tinyproxy.log")));
    file.write(text.toUtf8());
    file.close();

    m_process.start(programPath(), {QStringLiteral("-d"), QStringLiteral("-c"), config});
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("tinyproxy did not start: ") + m_process.errorString();
        return false;
    }
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (m_process.state() != QProcess::Running) {
            m_error = QStringLiteral("tinyproxy ended: ") + QString::fromLocal8Bit(m_process.readAll());
            return false;
        }
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_port);
        if (socket.waitForConnected(200))
            return true;
        QThread::msleep(50);
    }
    m_error = QStringLiteral("tinyproxy accepted no connection within %1 ms").arg(timeoutMs);
    stop();
    return false;
}

void TinyProxy::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

QString TinyProxy::log() const
{
    QFile file(m_dir.filePath(QStringLiteral("tinyproxy.log")));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

bool TinyProxy::waitForLog(const QString &text, int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    do {
        if (log().contains(text))
            return true;
        QThread::msleep(50);
    } while (!deadline.hasExpired());
    return false;
}
