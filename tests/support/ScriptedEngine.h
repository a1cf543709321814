#pragma once
// A slot engine that fetches nothing: it remembers what it was asked to
// fetch, and the test says how the transfer goes (progress, completion,
// failure). ScriptedEngines::factory() goes into the scheduler in place of
// the real engines and keeps every engine it made, in order.
#include "download/engines/DownloadEngine.h"

#include <QList>
#include <QPointer>

class ScriptedEngine final : public DownloadEngine
{
    Q_OBJECT
public:
    using DownloadEngine::DownloadEngine;

    void BeginDownload(const QString &url, const QString &saveFile, const QString &ref) override;
    void CancelAsyncRead() override { cancelled = true; }
    void setMaximumBytes(qint64 bytes) override { maximumBytes = bytes; }
    QString saveFile() const override { return m_saveFile; }
    QString address() const override { return m_address; }

    // What the scheduler's handlers would hear from a real engine.
    void progress(qint64 cur, qint64 max) { emit DownloadProgress(cur, max, m_saveFile); }
    void complete(qint64 cur, qint64 max) { emit DownloadComplete(cur, max, m_saveFile); }
    void fail(const QString &code = QStringLiteral("无法下载")) { emit DownloadError(code, m_saveFile); }

    QString referrer;
    qint64 maximumBytes = -1;
    bool cancelled = false;

private:
    QString m_saveFile;
    QString m_address;
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
