#pragma once
// Runs a script in a browser page and waits for its answer, for the tests
// that drive the embedded browser (header only: the test support library
// itself does not link the web engine).
#include <QTest>
#include <QVariant>
#include <QWebEnginePage>

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
