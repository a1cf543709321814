#pragma once
// The engine of one download slot of method 2 (see DownloadEngine): fetches
// one document from one address into one file without blocking, and reports
// progress, completion or failure. The scheduler owns up to six of these
// (slot k = 1..6), one per started row, and drives them through the engine
// contract (start, cancel, ended); BeginDownload and the three Download*
// signals are the same transfer in the slot's own terms.
//
// The body is streamed to a temporary file beside the save file and moved
// onto the save file only when it is whole (see settle() and ResponseChecks),
// so no cut body ever stands under a document's name and an existing file in
// overwrite mode never holds a half-written copy. When the normal transfer
// delivers nothing usable, one more plain request is made (the whole-body
// fallback).
#include "download/engines/DownloadEngine.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class TransferFile;

class SlotDownloader final : public DownloadEngine
{
    Q_OBJECT
public:
    explicit SlotDownloader(QNetworkAccessManager &network, QObject *parent = nullptr);
    // Deleting the slot: watchdog off, transfer and fallback fetch abandoned,
    // temporary file removed; the save file keeps what it held before.
    ~SlotDownloader() override;

    // DownloadEngine: BeginDownload with the request's address, save path
    // and referrer, held to its maximum size; the Download* signals below
    // come back as receiving/progress/ended for the request's row (a body
    // past the maximum without a total ends TooBig).
    void start(const TransferRequest &request) override;
    void cancel() override { CancelAsyncRead(); }
    void abandon() override;
    bool isExecuting() const override;

    // Starts the transfer and returns at once. `ref` is accepted and not sent.
    void BeginDownload(const QString &url, const QString &saveFile, const QString &ref);
    // Cancels the normal transfer (the fallback fetch is not touched).
    void CancelAsyncRead();
    // The 1000 ms watchdog tick: 300 s without a change of the received
    // count ends the slot with "超时". Public so tests can drive it.
    void watchdogTick();
    // A web page came while the save file held a document, and the document
    // was kept (the slot then ends with DownloadError).
    bool pageKeptOut() const;
    // Why the slot failed (or ended short), in a few words; empty when it
    // did not or no reason is known.
    QString lastReason() const { return m_reason; }

    // The maximum file size in bytes (negative: none, the default). A body
    // without an announced total that grows past it is reported once as
    // DownloadProgress(n, 0) (no total known), so the scheduler's
    // "大文件，跳过" rule ends the slot; the transfer stops there in any case.
    void setMaximumBytes(qint64 bytes);

    QString saveFile() const override;
    // The cleaned address ("&amp;" -> "&" in any letter case, spaces trimmed).
    QString address() const override;

signals:
    void DownloadProgress(qint64 curBytes, qint64 maxBytes, const QString &saveFile);
    void DownloadComplete(qint64 curBytes, qint64 maxBytes, const QString &saveFile);
    void DownloadError(const QString &missCode, const QString &saveFile); // "超时" or "无法下载"

private:
    void onReadyRead();
    void onFinished();
    void startFallback();
    void onFallbackReadyRead();
    void onFallbackFinished();
    void settle(QPointer<QNetworkReply> &finished, qint64 minimumBytes);
    void finish(qint64 received, qint64 total);
    void watchHeaders(QNetworkReply *reply);
    bool stoppedOversize();
    void fail(const QString &missCode);
    void dropReply(QPointer<QNetworkReply> &reply);
    QString failureReason(const QString &missCode) const;
    void report(const TransferResult &result);

    QNetworkAccessManager &m_network;
    QString m_saveFile;
    QString m_address;
    QPointer<QNetworkReply> m_reply;
    QPointer<QNetworkReply> m_fallback;
    std::unique_ptr<TransferFile> m_file;
    double m_startTime = 0;
    qint64 m_received = 0;
    qint64 m_total = 0;
    qint64 m_seen = 0;
    qint64 m_maxBytes = -1;
    bool m_ended = false;
    // True from a request (or redirect) until its response headers arrive (see watchHeaders).
    bool m_awaitingHeaders = false;
    double m_headerStart = 0;
    QTimer m_watchdog;
    quint64 m_rowId = 0;
    bool m_reported = false; // ended() was emitted
    QString m_reason;        // why the slot failed, once known
    int m_lastStatus = 0;    // the HTTP status of the last reply dropped
    QString m_networkReason; // the last dropped reply's network failure

};
