#pragma once
// What the scheduler asks of an engine, the same for both download methods:
// fetch one row's document into one save file without blocking, say how far
// it got, and end once with a typed outcome. The engine never sees the list,
// the status panels or the sounds; the scheduler applies every report to the
// row by the rules of the method that fetched it.
//
// SlotDownloader (method 2) and InetDownloader (method 1) are the real ones;
// the scheduler takes its slot engines from a factory, so tests can put a
// scripted engine in their place and drive the scheduler's rules without a
// network.
#include "download/engines/ResponseHeaders.h"

#include <QMetaType>
#include <QObject>
#include <QString>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

// How a transfer ended.
enum class TransferOutcome : quint8 {
    Complete,       // the body was saved; bytes of total (method 2: a short body on a new name too)
    TooBig,         // above the maximum size, announced or grown; nothing kept under the name
    NoAnswer,       // no usable answer came before the body (method 1 leaves the row's sizes)
    Failed,         // the transfer broke off, or the file could not be written or kept
    TimedOut,       // the answer stopped growing for too long
    Cancelled,      // the stop command ended the transfer; the partial file is gone
    CannotReplace,  // the file at the save path may not be replaced; bytes: its length
    PageKeptOut,    // a web page came while the save file held a document, which was kept
    NothingFetched, // method 1's whole-response fetch brought no usable body
};

struct TransferResult
{
    TransferOutcome outcome = TransferOutcome::Failed;
    qint64 bytes = 0; // what arrived (CannotReplace: the existing file's length)
    qint64 total = 0; // the announced total, 0 when none was named
    // Method 1: the end came from the whole-response fetch.
    bool wholeResponse = false;
    // Why it did not end Complete: a few words ("disk full", "HTTP status
    // 404", "time-out"); empty for Complete and TooBig.
    QString reason;
};

Q_DECLARE_METATYPE(TransferResult)

// One planned transfer of one row.
struct TransferRequest
{
    quint64 rowId = 0;
    QString address;  // the address to fetch
    QString referrer; // the row's referrer (method 2 does not send it)
    // Method 2: the save path, planned before the start.
    QString savePath;
    // Method 1: asked once the response headers have been read; answers the
    // save path for what they name, or empty when there is none (the engine
    // then ends Failed without saving).
    std::function<QString(const ResponseHeaderVerdict &)> planSave;
    double maxFileSizeMB = -1; // megabytes of 1024 * 1024 bytes; negative: no maximum
    // Method 1's HTTP proxy.
    bool proxyEnabled = false;
    QString proxyHost;
    QString proxyPort;
};

class DownloadEngine : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts the transfer and returns at once; ended() follows once.
    virtual void start(const TransferRequest &request) = 0;
    // Abandons the transfer (the stop command). Method 2 reports nothing more
    // for it; method 1 ends the row (see InetDownloader::cancel).
    virtual void cancel() = 0;
    // Drops the transfer without a report (its row has gone); the partial
    // file goes.
    virtual void abandon() = 0;
    // From start() until ended().
    virtual bool isExecuting() const = 0;
    // The address as fetched.
    virtual QString address() const = 0;
    // The save path (method 1: once the headers have been read).
    virtual QString saveFile() const = 0;

    // The maximum as a byte count: what a body may grow to.
    static qint64 MaximumBytes(double maxFileSizeMB);

signals:
    // The body starts to arrive: total announced, or 0 when none was named;
    // counted false when the engine will not count the bytes as they come.
    void receiving(quint64 rowId, qint64 total, bool counted);
    // received bytes of total (0: none named) have arrived.
    void progress(quint64 rowId, qint64 received, qint64 total);
    void ended(quint64 rowId, const TransferResult &result);
};

// Makes the engine of one slot; the scheduler owns what it answers and
// deletes it (deleteLater) once its work has ended.
using DownloadEngineFactory = std::function<DownloadEngine *(QNetworkAccessManager &network, QObject *parent)>;

// Short reasons for a failed end.
QString NetworkFailureReason(const QNetworkReply &reply);
// From an errno value of a failed file operation.
QString FileFailureReason(int errorNumber);
QString HttpStatusReason(int status);
