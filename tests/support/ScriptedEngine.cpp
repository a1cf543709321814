#include "tests/support/ScriptedEngine.h"

void ScriptedEngine::BeginDownload(const QString &url, const QString &saveFile, const QString &ref)
{
    m_address = url;
    m_saveFile = saveFile;
    referrer = ref;
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
