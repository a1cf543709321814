#pragma once
// The single-connection engine of download method 1 (see DownloadEngine):
// fetches one row at a time, with the configured HTTP proxy and a Referer,
// reads the response headers for size, type, charset and file name
// (AnalyseResponseHeaders), asks the scheduler for the save path the headers
// call for (TransferRequest::planSave), and streams the body to disk while
// reporting its progress. It ends once with a typed outcome; the scheduler
// writes the row, the status panels and the sounds. The scheduler's
// Inet下载当前文件 drives it.
//
// It is an asynchronous state machine on the UI thread: waiting for headers,
// receiving, or fetching the whole response; stallTick() does the time checks.
// The old file at the save path is replaced only when the new copy is
// complete.
#include "download/engines/DownloadEngine.h"

#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

// The states the single connection reports in the third status panel; the
// numbers lead their texts.
enum class InetState {
    NoStatus = 0,
    Resolving = 1,
    Resolved = 2,
    Connecting = 3,
    Connected = 4,
    Requesting = 5,
    RequestSent = 6,
    Receiving = 7,
    ResponseReceived = 8,
    Disconnecting = 9,
    Disconnected = 10,
    Error = 11,
    Complete = 12,
};
class QNetworkAccessManager;
class QNetworkReply;
class TransferFile;

class InetDownloader final : public DownloadEngine
{
    Q_OBJECT
public:
    // network: the manager every request goes through without a proxy; a
    // proxied manager shares its cookies.
    explicit InetDownloader(QNetworkAccessManager &network, QObject *parent = nullptr);
    ~InetDownloader() override;

    // Inet下载文件: starts the request's row and returns at once; ended()
    // follows exactly once, also for a request it cannot take (busy).
    void start(const TransferRequest &request) override;
    bool isExecuting() const override;
    QString address() const override { return m_address; }
    QString saveFile() const override;
    // Abandons the request. Waiting for headers, the row ends NoAnswer; in
    // the receive phase it ends Cancelled when the transfer is no longer
    // wanted (the stop command), else Failed.
    void cancel() override;
    void abandon() override;
    // Whether the transfer is still wanted: read at every chunk and tick of
    // the receive phase (the stop command clears TransferBusy). Always, when
    // not set.
    void setTransferWanted(std::function<bool()> wanted);
    // The time checks: 30 s waiting for headers, 120 s without growth. An
    // internal 1000 ms timer calls it; public for tests with a ManualClock.
    void stallTick();

    // "http://host:8080/a/b.pdf" -> "http://host:8080".
    static QString SiteRoot(const QString &address);
    // The third status-bar panel's text for a state; an error state and any
    // value outside the list name the response code and text.
    static QString StateText(InetState state, int responseCode, const QString &responseText);

signals:
    // state: int(InetState); text: its StateText, for status panel 3.
    void stateChanged(int state, const QString &text);

private:
    enum class Phase { Idle, Headers, Receiving, Fetching, Ending };

    QNetworkAccessManager &networkFor();
    void wireStates(QNetworkReply *reply);
    void setState(InetState state);
    void onHeaders();
    void onReceiveData();
    void onReceiveFinished();
    void startWholeFetch();
    void onFetchData();
    void onFetchFinished();
    void afterCancel();
    bool wanted() const;
    bool overMaximum(qint64 length) const;
    QString fileReason() const;
    void endStalled(TransferOutcome outcome, const QString &reason);
    void finish(TransferOutcome outcome, const QString &reason = QString());
    void finish(TransferResult result);
    void abortReply();
    bool writeAvailable();

    QNetworkAccessManager &m_network;
    std::unique_ptr<QNetworkAccessManager> m_proxyNetwork;
    QPointer<QNetworkReply> m_reply;
    std::unique_ptr<TransferFile> m_file;
    Phase m_phase = Phase::Idle;
    TransferRequest m_request;
    std::function<bool()> m_wanted;
    QString m_address;
    qint64 m_announced = 0;
    bool m_successStatus = false;
    bool m_httpOk = false;
    double m_requestStart = 0;
    double m_lastGrowth = 0;
    qint64 m_lastLength = 0;
    int m_responseCode = 0;
    QString m_responseText;
    bool m_cancelPending = false;
    quint64 m_run = 0; // counts starts and abandons: a late timer call finds its run gone
    QTimer m_ticker;
};
