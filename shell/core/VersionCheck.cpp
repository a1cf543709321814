#include "shell/core/VersionCheck.h"

#include "platform/SettingsStore.h"
#include "shell/core/VersionRule.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {
const QString kSection = QStringLiteral("fCover");
const QString kKeyPrimary = QStringLiteral("版本文件网址");
const QString kKeySecondary = QStringLiteral("版本文件备用网址");
const QString kKeyDownloadPage = QStringLiteral("下载页网址");

// A version file is a few bytes; anything much longer is not one.
constexpr qint64 kMaxAnswerBytes = 1024;
} // namespace

QUrl VersionSource::parseAddress(const QString &text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return QUrl();
    return url;
}

QUrl VersionSource::effectiveDownloadPage() const
{
    if (downloadPage.isValid() && !downloadPage.isEmpty())
        return downloadPage;
    return primary.adjusted(QUrl::RemoveFilename | QUrl::RemoveQuery | QUrl::RemoveFragment);
}

VersionSource VersionSource::fromSettings()
{
    SettingsStore &store = SettingsStore::instance();
    VersionSource source;
    source.primary = parseAddress(store.read(kSection, kKeyPrimary, QString()));
    source.secondary = parseAddress(store.read(kSection, kKeySecondary, QString()));
    source.downloadPage = parseAddress(store.read(kSection, kKeyDownloadPage, QString()));
    return source;
}

VersionCheck::VersionCheck(QNetworkAccessManager &network, QObject *parent)
    : QObject(parent)
    , m_network(network)
    , m_running(ProgramVersionText())
{
    m_delay.setSingleShot(true);
    m_delay.setInterval(kStartDelayMs);
    connect(&m_delay, &QTimer::timeout, this, [this] { request(1); });
}

VersionCheck::~VersionCheck()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

void VersionCheck::start()
{
    if (m_started || !m_source.configured())
        return;
    m_started = true;
    m_inFlight = true;
    m_delay.start();
}

bool VersionCheck::isRunning() const
{
    return m_inFlight;
}

void VersionCheck::request(int attempt)
{
    QNetworkRequest req(attempt == 1 ? m_source.primary : m_source.secondary);
    req.setTransferTimeout(kTransferTimeoutMs);
    req.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    QNetworkReply *reply = m_network.get(req);
    m_reply = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply, attempt] { replied(reply, attempt); });
}

void VersionCheck::replied(QNetworkReply *reply, int attempt)
{
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
        const bool again = attempt == 1 && m_source.secondary.isValid() && !m_source.secondary.isEmpty();
        if (again)
            request(2);
        else
            m_inFlight = false;
        emit requestFailed(attempt);
        if (!again)
            emit finished();
        return;
    }
    m_inFlight = false;
    const QString answer = QString::fromUtf8(reply->read(kMaxAnswerBytes)).trimmed();
    if (IsNewerVersion(answer, m_running))
        emit newerVersionFound(answer);
    emit finished();
}
