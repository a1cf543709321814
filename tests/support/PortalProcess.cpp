#include "tests/support/PortalProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>

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

    QStringList args{QStringLiteral("--port"), QStringLiteral("0")};
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
