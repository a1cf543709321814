#pragma once
// Waiting on a browser page, for the tests and benchmarks that drive the
// embedded browser (header only: the test support library itself does not
// link the web engine).
#include <QTest>
#include <QUrl>
#include <QVariant>
#include <QWebEnginePage>

#include <functional>

// The script's result, or an invalid QVariant when none came within timeoutMs.
inline QVariant RunPageScript(QWebEnginePage *page, const QString &script, int timeoutMs = 20000)
{
    QVariant result;
    bool done = false;
    page->runJavaScript(script, [&](const QVariant &v) {
        result = v;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, timeoutMs))
        return QVariant();
    return result;
}

// Waits for the next successful top-level load whose address `wanted`
// accepts. Call it before the load can have finished (right after starting it).
inline bool WaitForPageLoad(QWebEnginePage *page, const std::function<bool(const QUrl &)> &wanted,
                            int timeoutMs = 20000)
{
    bool loaded = false;
    const QMetaObject::Connection c = QObject::connect(page, &QWebEnginePage::loadFinished, page, [&](bool ok) {
        if (ok && wanted(page->url()))
            loaded = true;
    });
    const bool done = QTest::qWaitFor([&] { return loaded; }, timeoutMs);
    QObject::disconnect(c);
    return done;
}
