#include "tests/support/ScriptedEngine.h"

void ScriptedEngine::start(const TransferRequest &r)
{
    request = r;
    referrer = r.referrer;
    m_saveFile = r.savePath;
    maximumBytes = MaximumBytes(r.maxFileSizeMB);
    cancelled = false;
    m_running = true;
    ++starts;
}

void ScriptedEngine::progress(qint64 cur, qint64 max)
{
    if (max > 0)
        emit DownloadEngine::progress(request.rowId, cur, max);
    else if (maximumBytes >= 0 && cur > maximumBytes)
        end(TransferOutcome::TooBig, cur);
}

void ScriptedEngine::complete(qint64 cur, qint64 max)
{
    end(TransferOutcome::Complete, cur, max);
}

void ScriptedEngine::fail(const QString &code)
{
    end(code == QStringLiteral("超时") ? TransferOutcome::TimedOut : TransferOutcome::Failed);
}

QString ScriptedEngine::headers(const ResponseHeaderVerdict &verdict)
{
    m_saveFile = request.planSave ? request.planSave(verdict) : request.savePath;
    return m_saveFile;
}

void ScriptedEngine::end(TransferOutcome outcome, qint64 bytes, qint64 total, const QString &reason)
{
    TransferResult result;
    result.outcome = outcome;
    result.bytes = bytes;
    result.total = total;
    result.reason = reason;
    end(result);
}

void ScriptedEngine::end(const TransferResult &result)
{
    m_running = false;
    emit ended(request.rowId, result);
}

DownloadEngineFactory ScriptedEngines::factory()
{
    return [this](QNetworkAccessManager &, QObject *parent) -> DownloadEngine * {
        auto *engine = new ScriptedEngine(parent);
        made.append(engine);
        return engine;
    };
}

QList<ScriptedEngine *> ScriptedEngines::running() const
{
    QList<ScriptedEngine *> out;
    for (const QPointer<ScriptedEngine> &engine : made) {
        if (engine && !engine->cancelled)
            out.append(engine);
    }
    return out;
}
