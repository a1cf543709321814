#pragma once
// The single-connection engine of download method 1: fetches one row at a
// time, with the configured HTTP proxy and a Referer, reads the response
// headers for size, type, charset and file name, applies the duplicate mode,
// and streams the body to disk while showing progress in the row. At the end
// of a row it says rowEnded() (the scheduler then applies the end-of-row
// rules, DownloadSession::endRow) and then finished() once. The scheduler's
// Inet下载当前文件 drives it. It holds its row by id, so rows may move or go
// while it fetches.
//
// It is an asynchronous state machine on the UI thread: waiting for headers,
// receiving, or fetching the whole response; stallTick() does the time checks.
// The old file at the save path is replaced only when the new copy is
// complete, and only the row's folder is ever written.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <memory>

class DownloadSession;

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

class InetDownloader final : public QObject
{
    Q_OBJECT
public:
    using RowId = quint64;

    explicit InetDownloader(DownloadSession &session, QObject *parent = nullptr);
    ~InetDownloader() override;

    // Inet下载文件: starts the row with this id and returns at once;
    // finished() follows exactly once (true when the row ends Done, "大文件，跳过"
    // included), after rowEnded() when the row was fetched (not for a row
    // that is not listed or went while it was fetched).
    void start(RowId id);
    // True from start() until finished().
    bool isExecuting() const;
    // Abandons the request. In the receive phase with TransferBusy false (the
    // stop command) the row ends "下载取消" and the partial file goes.
    void cancel();
    // The time checks: 30 s waiting for headers, 120 s without growth. An
    // internal 1000 ms timer calls it; public for tests with a ManualClock.
    void stallTick();

    // "http://host:8080/a/b.pdf" -> "http://host:8080".
    static QString SiteRoot(const QString &address);
    // The third status-bar panel's text for a state; an error state and any
    // value outside the list name the response code and text.
    static QString StateText(InetState state, int responseCode, const QString &responseText);

signals:
    // pageKeptOut: a web page came while the save file held a document, and
    // the document was kept (the row then keeps the document's type).
    void rowEnded(quint64 rowId, bool pageKeptOut);
    void finished(quint64 rowId, bool result);
    void stateChanged(int state); // int(InetState); StateText goes to status panel 3 as well

private:
    enum class Phase { Idle, Headers, Receiving, Fetching, Ending };

    QNetworkAccessManager &networkFor();
    QNetworkReply *issueRequest();
    void wireStates(QNetworkReply *reply);
    void setState(InetState state);
    int currentRow() const;
    void onHeaders();
    void onReceiveData();
    void onReceiveFinished();
    void startWholeFetch();
    void onFetchData();
    void onFetchFinished();
    void afterCancel();
    bool abandonIfRowGone();
    void endStalled();
    void endRow(bool result);
    void abortReply();
    bool writeAvailable();

    DownloadSession &m_session;
    std::unique_ptr<QNetworkAccessManager> m_proxyNetwork;
    QPointer<QNetworkReply> m_reply;
    std::unique_ptr<TransferFile> m_file;
    Phase m_phase = Phase::Idle;
    RowId m_rowId = 0;
    QString m_address;
    qint64 m_announced = 0;
    bool m_sizeUnknown = false;
    bool m_successStatus = false;
    bool m_httpOk = false;
    double m_requestStart = 0;
    double m_lastGrowth = 0;
    qint64 m_lastLength = 0;
    int m_responseCode = 0;
    QString m_responseText;
    bool m_cancelPending = false;
    QTimer m_ticker;
};
