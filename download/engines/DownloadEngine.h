#pragma once
// What the scheduler asks of a slot's engine: fetch one document from one
// address into one save file without blocking, say how far it got, and end
// with completion or failure. SlotDownloader is the real one; the scheduler
// takes its engines from a factory, so tests can put a scripted engine in
// its place and drive the scheduler's rules without a network.
//
// The scheduler deletes an engine (deleteLater) once its work has ended;
// deleting it abandons whatever is still running.
#include <QObject>
#include <QString>

#include <functional>

class QNetworkAccessManager;

class DownloadEngine : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts the transfer and returns at once. `ref` is the row's referrer.
    virtual void BeginDownload(const QString &url, const QString &saveFile, const QString &ref) = 0;
    // Cancels the transfer; no report follows for it.
    virtual void CancelAsyncRead() = 0;
    // The maximum file size in bytes (negative: none). A body without an
    // announced total that grows past it is reported once as progress (n, 0):
    // n bytes arrived, no total known.
    virtual void setMaximumBytes(qint64 bytes) = 0;

    virtual QString saveFile() const = 0;
    // The address as fetched.
    virtual QString address() const = 0;
    // A web page came while the save file held a document, and the document
    // was kept (the engine then ends with DownloadError).
    virtual bool pageKeptOut() const { return false; }

signals:
    void DownloadProgress(qint64 curBytes, qint64 maxBytes, const QString &saveFile);
    void DownloadComplete(qint64 curBytes, qint64 maxBytes, const QString &saveFile);
    void DownloadError(const QString &missCode, const QString &saveFile); // "超时" or "无法下载"
};

// Makes the engine of one slot; the scheduler owns what it answers.
using DownloadEngineFactory = std::function<DownloadEngine *(QNetworkAccessManager &network, QObject *parent)>;
