#pragma once
// An engine that fetches nothing: it remembers the request it was given, and
// the test says how the transfer goes (headers, progress, the end).
// ScriptedEngines::factory() goes into the scheduler in place of the real
// slot engines and keeps every engine it made, in order; the single
// connection's place takes one too (DownloadScheduler::setSingleConnection).
#include "download/engines/DownloadEngine.h"

#include <QList>
#include <QPointer>

class ScriptedEngine final : public DownloadEngine
{
    Q_OBJECT
public:
    using DownloadEngine::DownloadEngine;

    void start(const TransferRequest &request) override;
    void cancel() override { cancelled = true; }
    void abandon() override
    {
        abandoned = true;
        m_running = false;
    }
    bool isExecuting() const override { return m_running; }
    QString saveFile() const override { return m_saveFile; }
    QString address() const override { return request.address; }

    // What the scheduler would hear from a slot engine: progress (a body
    // without a total past the maximum ends TooBig), completion, failure.
    void progress(qint64 cur, qint64 max);
    void complete(qint64 cur, qint64 max);
    void fail(const QString &code = QStringLiteral("无法下载"));
    // The single connection's steps: the headers came (the save plan is
    // asked for; answers the path), the body starts, bytes arrived, the end.
    QString headers(const ResponseHeaderVerdict &verdict);
    void receive(qint64 total, bool counted = true) { emit receiving(request.rowId, total, counted); }
    void arrived(qint64 received, qint64 total) { emit DownloadEngine::progress(request.rowId, received, total); }
    void end(TransferOutcome outcome, qint64 bytes = 0, qint64 total = 0, const QString &reason = QString());
    void end(const TransferResult &result);

    TransferRequest request;
    QString referrer;
    qint64 maximumBytes = -1;
    bool cancelled = false;
    bool abandoned = false;
    int starts = 0;

private:
    QString m_saveFile;
    bool m_running = false;
};

class ScriptedEngines
{
public:
    DownloadEngineFactory factory();
    // The engines made so far (an engine the scheduler deleted is null).
    QList<QPointer<ScriptedEngine>> made;
    // The engines still alive that have not been cancelled.
    QList<ScriptedEngine *> running() const;
};
