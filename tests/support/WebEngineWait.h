#pragma once
// Waiting on the embedded browser in tests and benchmarks (header only: the
// test support library itself does not link the web engine).
//
// The web engine does its work in many small tasks on the Qt event loop, and
// QTest::qWait (also under QTRY_*) sleeps 10 ms between its turns of the
// loop: a page load then takes a second or more. These helpers run a real
// event loop instead, as the program does.
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QUrl>
#include <QVariant>
#include <QWebEnginePage>

#include <functional>

// Runs the event loop until done() holds or timeoutMs have passed; the
// final answer of done(). Objects given to deleteLater() go meanwhile, as
// under QTest::qWait (a nested loop alone would keep them).
inline bool SpinUntil(const std::function<bool()> &done, int timeoutMs = 20000)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start();
    loop.exec();
    return done();
}

// Runs the event loop for ms milliseconds.
inline void SpinFor(int ms)
{
    SpinUntil([] { return false; }, ms);
}

// The script's result, or an invalid QVariant when none came within timeoutMs.
inline QVariant RunPageScript(QWebEnginePage *page, const QString &script, int timeoutMs = 20000)
{
    QVariant result;
    bool answered = false;
    page->runJavaScript(script, [&](const QVariant &v) {
        result = v;
        answered = true;
    });
    SpinUntil([&] { return answered; }, timeoutMs);
    return answered ? result : QVariant();
}

// Watches for a successful top-level load whose address `wanted` accepts,
// from its construction on: make it before starting the load.
class PageLoadWatch
{
public:
    PageLoadWatch(QWebEnginePage *page, std::function<bool(const QUrl &)> wanted)
        : m_page(page)
        , m_wanted(std::move(wanted))
    {
        m_connection = QObject::connect(page, &QWebEnginePage::loadFinished, page, [this](bool ok) {
            if (ok && m_wanted(m_page->url()))
                m_loaded = true;
        });
    }
    ~PageLoadWatch() { QObject::disconnect(m_connection); }
    PageLoadWatch(const PageLoadWatch &) = delete;
    PageLoadWatch &operator=(const PageLoadWatch &) = delete;

    bool wait(int timeoutMs = 20000)
    {
        return SpinUntil([this] { return m_loaded; }, timeoutMs);
    }

private:
    QWebEnginePage *m_page;
    std::function<bool(const QUrl &)> m_wanted;
    QMetaObject::Connection m_connection;
    bool m_loaded = false;
};

// Waits for the next successful top-level load at `wanted`; call it right
// after starting the load.
inline bool WaitForPageLoad(QWebEnginePage *page, const std::function<bool(const QUrl &)> &wanted,
                            int timeoutMs = 20000)
{
    PageLoadWatch watch(page, wanted);
    return watch.wait(timeoutMs);
}
