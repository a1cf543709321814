#include "download/engines/SlotDownloader.h"

#include "common/TextCodec.h"
#include "download/engines/EngineRequest.h"
#include "download/engines/ResponseChecks.h"
#include "download/engines/TransferFile.h"
#include "platform/Clock.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrl>

#include <cmath>

namespace {

const QString kTimedOut = QStringLiteral("超时");
const QString kCannotDownload = QStringLiteral("无法下载");

// Addresses copied out of page markup keep their HTML entity for "&".
QString CleanAddress(const QString &url)
{
    QString address = url;
    address.replace(QStringLiteral("&amp;"), QStringLiteral("&"), Qt::CaseInsensitive);
    return TrimSpaces(address);
}

} // namespace

SlotDownloader::SlotDownloader(QNetworkAccessManager &network, QObject *parent)
    : DownloadEngine(parent)
    , m_network(network)
{
    m_watchdog.setInterval(1000);
    connect(&m_watchdog, &QTimer::timeout, this, &SlotDownloader::watchdogTick);

    // The slot's own reports in the engine contract's terms.
    connect(this, &SlotDownloader::DownloadProgress, this, [this](qint64 cur, qint64 max, const QString &) {
        if (m_reported)
            return;
        if (max > 0) {
            emit progress(m_rowId, cur, max);
            return;
        }
        TransferResult result;
        result.outcome = TransferOutcome::TooBig;
        result.bytes = cur;
        report(result);
    });
    connect(this, &SlotDownloader::DownloadComplete, this, [this](qint64 cur, qint64 max, const QString &) {
        TransferResult result;
        result.outcome = TransferOutcome::Complete;
        result.bytes = cur;
        result.total = max;
        if (cur < max)
            result.reason = QStringLiteral("the body ended short (%1 of %2 bytes)").arg(cur).arg(max);
        report(result);
    });
    connect(this, &SlotDownloader::DownloadError, this, [this](const QString &missCode, const QString &) {
        TransferResult result;
        result.outcome = missCode == kTimedOut ? TransferOutcome::TimedOut
            : pageKeptOut()                    ? TransferOutcome::PageKeptOut
                                               : TransferOutcome::Failed;
        result.bytes = m_received;
        result.total = m_total;
        result.reason = m_reason;
        report(result);
    });
}

void SlotDownloader::start(const TransferRequest &request)
{
    m_rowId = request.rowId;
    setMaximumBytes(MaximumBytes(request.maxFileSizeMB));
    BeginDownload(request.address, request.savePath, request.referrer);
}

void SlotDownloader::abandon()
{
    // The slot's own failure, with the contract's report kept back.
    m_reported = true;
    fail(kCannotDownload);
}

bool SlotDownloader::isExecuting() const
{
    return m_watchdog.isActive() && !m_ended;
}

void SlotDownloader::report(const TransferResult &result)
{
    if (m_reported)
        return;
    m_reported = true;
    emit ended(m_rowId, result);
}

SlotDownloader::~SlotDownloader()
{
    m_watchdog.stop();
    dropReply(m_reply);
    dropReply(m_fallback);
    if (m_file)
        m_file->discard();
}

void SlotDownloader::BeginDownload(const QString &url, const QString &saveFile, const QString &ref)
{
    Q_UNUSED(ref)
    m_saveFile = saveFile;
    m_file = std::make_unique<TransferFile>(saveFile);
    // From here on the name is taken for any other row's save path.
    const bool reserved = m_file->reserve();
    m_startTime = Clock::instance().seconds();
    m_watchdog.start();
    m_address = CleanAddress(url);

    const QUrl target(m_address);
    // Only http and https are fetched (never a local file or another
    // protocol), and an existing file we may not replace is left alone.
    if (!reserved || !IsHttpUrl(target) || !m_file->canReplaceTarget() || !m_file->open()) {
        m_reason = !IsHttpUrl(target)           ? QStringLiteral("not an http address")
            : !reserved || m_file->errorNumber() ? FileFailureReason(m_file->errorNumber())
                                                 : QStringLiteral("cannot replace the existing file");
        QTimer::singleShot(0, this, [this] { fail(kCannotDownload); });
        return;
    }
    m_reply = SendEngineGet(m_network, target);
    watchHeaders(m_reply);
    connect(m_reply, &QNetworkReply::readyRead, this, &SlotDownloader::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &SlotDownloader::onFinished);
}

void SlotDownloader::CancelAsyncRead()
{
    dropReply(m_reply);
}

void SlotDownloader::watchdogTick()
{
    if (m_ended || !m_watchdog.isActive())
        return;
    const double now = Clock::instance().seconds();
    if (m_awaitingHeaders && std::fabs(now - m_headerStart) >= kHeaderSeconds) {
        m_reason = QStringLiteral("no response headers within %1 s").arg(kHeaderSeconds);
        fail(kTimedOut);
        return;
    }
    if (m_received == m_seen) {
        if (std::fabs(now - m_startTime) >= 300) {
            CancelAsyncRead();
            fail(kTimedOut);
        }
        return;
    }
    m_seen = m_received;
    m_startTime = now;
}

void SlotDownloader::setMaximumBytes(qint64 bytes)
{
    m_maxBytes = bytes;
}

QString SlotDownloader::saveFile() const
{
    return m_saveFile;
}

QString SlotDownloader::address() const
{
    return m_address;
}

// Progress is counted here, per chunk written, rather than taken from Qt's
// downloadProgress: that one is throttled and can hold back the last chunk
// before a pause, which the watchdog would then never see.
void SlotDownloader::onReadyRead()
{
    if (!m_reply || m_ended)
        return;
    if (!m_file->appendFrom(*m_reply)) {
        fail(kCannotDownload);
        return;
    }
    const int status = HttpStatus(*m_reply);
    const qint64 total = AnnouncedLength(*m_reply);
    if (total <= 0 && stoppedOversize())
        return;
    if (total <= 0 || (status >= 300 && status < 400))
        return; // no total (or a redirect's own body): nothing to report
    m_received = m_file->size();
    m_total = total;
    emit DownloadProgress(m_received, total, m_saveFile);
}

void SlotDownloader::onFinished()
{
    if (m_ended || !m_reply)
        return;
    if (!m_file->appendFrom(*m_reply)) {
        fail(kCannotDownload);
        return;
    }
    if (AnnouncedLength(*m_reply) < 1 || m_file->size() < 1) {
        startFallback();
        return;
    }
    settle(m_reply, 1);
}

// Decides what a finished reply's body becomes. Only a whole body takes the
// save name: one cut short (by the connection, by fewer bytes than
// announced, or a PDF without its end) leaves nothing under it; an answer
// with an error status does so only as the web page it shows, and only on a
// new name; an existing file is replaced only by a body whose end the
// server vouched for (a length or chunked framing) and never by a page.
void SlotDownloader::settle(QPointer<QNetworkReply> &finished, qint64 minimumBytes)
{
    QNetworkReply &reply = *finished;
    const qint64 received = m_file->size();
    const qint64 announced = AnnouncedLength(reply);
    const int status = HttpStatus(reply);
    const bool redirectRefused = RedirectRefused(reply);
    const BodyEnd end = JudgeBodyEnd(reply, received);
    dropReply(finished);
    if (received < minimumBytes) {
        fail(kCannotDownload);
        return;
    }
    const bool unvouched = end == BodyEnd::Chunked || end == BodyEnd::AtClose;
    if (end == BodyEnd::Cut || (unvouched && PdfEndMissing(m_file->temporaryPath()))) {
        m_reason = QStringLiteral("the body ended short");
        if (redirectRefused || announced <= received) {
            fail(kCannotDownload);
            return;
        }
        // The row shows how far it got, below 100%, with no file.
        m_file->discard();
        finish(received, announced);
        return;
    }
    if (status < 200 || status >= 300) {
        m_reason = HttpStatusReason(status);
        if (m_file->targetExisted() || !m_file->holdsPage()) {
            fail(kCannotDownload);
            return;
        }
    } else if (m_file->targetExisted()) {
        if (end == BodyEnd::AtClose) {
            m_reason = UnknownEndReason();
            fail(kCannotDownload);
            return;
        }
        if (m_file->pageWouldReplaceDocument()) {
            fail(kCannotDownload);
            return;
        }
    }
    if (!m_file->commit()) {
        fail(kCannotDownload);
        return;
    }
    finish(received, received);
}

void SlotDownloader::finish(qint64 received, qint64 total)
{
    m_ended = true;
    m_watchdog.stop();
    emit DownloadComplete(received, total, m_saveFile);
}

void SlotDownloader::startFallback()
{
    dropReply(m_reply);
    dropReply(m_fallback);
    if (!m_file->open()) {
        fail(kCannotDownload);
        return;
    }
    m_fallback = SendEngineGet(m_network, QUrl(m_address));
    watchHeaders(m_fallback);
    connect(m_fallback, &QNetworkReply::readyRead, this, &SlotDownloader::onFallbackReadyRead);
    connect(m_fallback, &QNetworkReply::finished, this, &SlotDownloader::onFallbackFinished);
}

void SlotDownloader::onFallbackReadyRead()
{
    if (!m_fallback || m_ended)
        return;
    if (!m_file->appendFrom(*m_fallback))
        fail(kCannotDownload);
    else
        stoppedOversize();
}

// A body without a total cannot be judged by its announced size; it is
// judged by what has arrived instead.
bool SlotDownloader::stoppedOversize()
{
    if (m_maxBytes < 0 || m_file->size() <= m_maxBytes)
        return false;
    QPointer<SlotDownloader> self(this);
    emit DownloadProgress(m_file->size(), 0, m_saveFile);
    if (self && !m_ended) {
        dropReply(m_reply);
        fail(kCannotDownload);
    }
    return true;
}

void SlotDownloader::onFallbackFinished()
{
    if (m_ended || !m_fallback)
        return;
    if (!m_file->appendFrom(*m_fallback)) {
        fail(kCannotDownload);
        return;
    }
    settle(m_fallback, 2);
}

// Qt 6.4 reads the whole header block before it reports anything, so the
// block is given kHeaderSeconds (again after each redirect) and checked
// against the limits once it is there.
void SlotDownloader::watchHeaders(QNetworkReply *reply)
{
    m_awaitingHeaders = true;
    m_headerStart = Clock::instance().seconds();
    connect(reply, &QNetworkReply::redirected, this, [this] {
        m_awaitingHeaders = true;
        m_headerStart = Clock::instance().seconds();
    });
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
        m_awaitingHeaders = false;
        const QString refused = RefusedResponse(*reply);
        if (!refused.isEmpty() && !m_ended) {
            m_reason = refused;
            fail(kCannotDownload);
        }
    });
}

bool SlotDownloader::pageKeptOut() const
{
    return m_file && m_file->pageKeptOut();
}

QString SlotDownloader::failureReason(const QString &missCode) const
{
    if (missCode == kTimedOut)
        return QStringLiteral("time-out");
    if (m_file && m_file->errorNumber() != 0)
        return FileFailureReason(m_file->errorNumber());
    if (m_file && m_file->pageKeptOut())
        return QStringLiteral("a web page came instead of the document");
    for (const QPointer<QNetworkReply> &reply : {m_reply, m_fallback}) {
        if (reply && reply->error() != QNetworkReply::NoError)
            return NetworkFailureReason(*reply);
    }
    if (!m_networkReason.isEmpty())
        return m_networkReason;
    if (m_lastStatus != 0 && (m_lastStatus < 200 || m_lastStatus >= 300))
        return HttpStatusReason(m_lastStatus);
    if (m_maxBytes >= 0 && m_file && m_file->size() > m_maxBytes)
        return QStringLiteral("larger than the maximum size");
    return QStringLiteral("no usable body");
}

void SlotDownloader::fail(const QString &missCode)
{
    if (m_ended)
        return;
    if (m_reason.isEmpty())
        m_reason = failureReason(missCode);
    m_ended = true;
    m_awaitingHeaders = false;
    m_watchdog.stop();
    dropReply(m_reply);
    dropReply(m_fallback);
    if (m_file)
        m_file->discard();
    emit DownloadError(missCode, m_saveFile);
}

void SlotDownloader::dropReply(QPointer<QNetworkReply> &reply)
{
    if (!reply)
        return;
    QNetworkReply *doomed = reply;
    reply = nullptr;
    if (const int status = HttpStatus(*doomed))
        m_lastStatus = status;
    if (doomed->isFinished() && doomed->error() != QNetworkReply::NoError)
        m_networkReason = NetworkFailureReason(*doomed);
    doomed->disconnect(this);
    doomed->abort();
    doomed->deleteLater();
}
