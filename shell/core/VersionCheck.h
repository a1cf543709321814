#pragma once
// The check for a newer version: 100 ms after it is started the version file
// is fetched asynchronously from the primary address; when that fails it is
// fetched once from the secondary address. An answer that the version rule
// counts as newer than the running version is reported; an answer that is
// not a version, or not newer, is ignored. With no primary address nothing is
// requested at all.
//
// The addresses come from the settings store (section "fCover", keys
// "版本文件网址", "版本文件备用网址" and "下载页网址"), empty by default, and
// may be given for one run on the command line.
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

struct VersionSource
{
    QUrl primary;
    QUrl secondary;
    // The page opened in the user's browser for a newer version; when none
    // is set, the folder of the primary address.
    QUrl downloadPage;

    bool configured() const { return primary.isValid() && !primary.isEmpty(); }
    QUrl effectiveDownloadPage() const;

    // The stored addresses; one that is not an http or https address counts
    // as not set.
    static VersionSource fromSettings();
    // An http or https address from typed text; an invalid URL otherwise.
    static QUrl parseAddress(const QString &text);
};

class VersionCheck final : public QObject
{
    Q_OBJECT
public:
    static constexpr int kStartDelayMs = 100;
    static constexpr int kTransferTimeoutMs = 30000;

    VersionCheck(QNetworkAccessManager &network, QObject *parent = nullptr);
    ~VersionCheck() override;

    void setSource(const VersionSource &source) { m_source = source; }
    const VersionSource &source() const { return m_source; }
    // The version compared with the answer; ProgramVersionText() unless set.
    void setRunningVersion(const QString &version) { m_running = version; }

    // Schedules the request kStartDelayMs from now; nothing when no primary
    // address is configured or the check has started before.
    void start();
    bool isRunning() const;

signals:
    // The answer (trimmed) names a newer version.
    void newerVersionFound(const QString &version);
    // The request to the primary (1) or secondary (2) address failed. After
    // 1 the secondary is already asked when there is one.
    void requestFailed(int attempt);
    // The check has ended, whatever its outcome.
    void finished();

private:
    void request(int attempt);
    void replied(QNetworkReply *reply, int attempt);

    QNetworkAccessManager &m_network;
    VersionSource m_source;
    QString m_running;
    QTimer m_delay;
    QPointer<QNetworkReply> m_reply;
    bool m_started = false;
    bool m_inFlight = false;
};
