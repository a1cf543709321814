#include "download/engines/InetDownloader.h"

#include "common/TextCodec.h"
#include "download/engines/EngineRequest.h"
#include "download/engines/ResponseChecks.h"
#include "download/engines/ResponseHeaders.h"
#include "download/engines/TransferFile.h"
#include "platform/Clock.h"

#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QUrl>

namespace {

constexpr double kHeaderWaitSeconds = 30;
constexpr double kStallSeconds = 120;
constexpr double kMegabyte = 1024.0 * 1024.0;
const QString kCancelled = QStringLiteral("cancelled");

// "HTTP/1.1 200 OK" CR LF, then every response header as it came, each
// ended by CR LF: the block AnalyseResponseHeaders reads.
QByteArray HeaderBlock(const QNetworkReply &reply)
{
    const bool http2 = reply.attribute(QNetworkRequest::Http2WasUsedAttribute).toBool();
    QByteArray block = (http2 ? QByteArray("HTTP/2 ") : QByteArray("HTTP/1.1 ")) + QByteArray::number(HttpStatus(reply))
        + ' ' + reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().toLatin1() + "\r\n";
    for (const auto &pair : reply.rawHeaderPairs())
        block += pair.first + ": " + pair.second + "\r\n";
    return block;
}

// The row's referrer, or the site root of the address when it has none, as
// it goes on the wire: a harvested page address may hold Chinese text, and a
// list file may hold anything, so every byte outside printable ASCII (line
// breaks above all, which would start a header of their own) is
// percent-encoded the way a browser writes its Referer.
QString RefererFor(const QString &referrer, const QString &address)
{
    const QByteArray utf8 = (referrer.isEmpty() ? InetDownloader::SiteRoot(address) : referrer).toUtf8();
    QString value;
    value.reserve(utf8.size());
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > 0x20 && byte < 0x7F)
            value += QLatin1Char(c);
        else
            value += QLatin1Char('%') + QString::number(byte, 16).rightJustified(2, QLatin1Char('0')).toUpper();
    }
    return value;
}

} // namespace

InetDownloader::InetDownloader(QNetworkAccessManager &network, QObject *parent)
    : DownloadEngine(parent)
    , m_network(network)
{
    m_ticker.setInterval(1000);
    connect(&m_ticker, &QTimer::timeout, this, &InetDownloader::stallTick);
}

InetDownloader::~InetDownloader()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        delete m_reply;
    }
    if (m_file)
        m_file->discard();
}

bool InetDownloader::isExecuting() const
{
    return m_phase != Phase::Idle;
}

QString InetDownloader::saveFile() const
{
    return m_file ? m_file->target() : QString();
}

void InetDownloader::setTransferWanted(std::function<bool()> wanted)
{
    m_wanted = std::move(wanted);
}

bool InetDownloader::wanted() const
{
    return !m_wanted || m_wanted();
}

bool InetDownloader::overMaximum(qint64 length) const
{
    return double(length) / kMegabyte > m_request.maxFileSizeMB;
}

QString InetDownloader::fileReason() const
{
    return FileFailureReason(m_file ? m_file->errorNumber() : 0);
}

void InetDownloader::start(const TransferRequest &request)
{
    if (m_phase != Phase::Idle) {
        // Not a request this engine can take; the caller still hears about it once.
        const quint64 id = request.rowId;
        QTimer::singleShot(0, this, [this, id] {
            TransferResult result;
            result.outcome = TransferOutcome::NoAnswer;
            result.reason = QStringLiteral("the single connection is busy");
            emit ended(id, result);
        });
        return;
    }
    ++m_run;
    m_request = request;
    m_address = TrimSpaces(request.address);
    m_announced = 0;
    m_successStatus = false;
    m_httpOk = false;
    m_lastLength = 0;
    m_responseCode = 0;
    m_responseText.clear();
    m_cancelPending = false;
    m_file.reset();

    const double now = Clock::instance().seconds();
    m_lastGrowth = now;
    m_requestStart = now;

    const QString referer = RefererFor(request.referrer, m_address);
    const QUrl url(m_address);
    m_phase = Phase::Headers;
    m_ticker.start();
    if (!IsHttpUrl(url)) {
        // Nothing to ask: no headers will ever come.
        m_phase = Phase::Ending;
        QTimer::singleShot(0, this, [this, run = m_run] {
            if (run == m_run && m_phase == Phase::Ending)
                finish(TransferOutcome::NoAnswer, QStringLiteral("not an http address"));
        });
        return;
    }
    m_reply = SendEngineGet(networkFor(), url, referer);
    wireStates(m_reply);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &InetDownloader::onHeaders);
    connect(m_reply, &QNetworkReply::readyRead, this, &InetDownloader::onReceiveData);
    connect(m_reply, &QNetworkReply::finished, this, &InetDownloader::onReceiveFinished);
    setState(InetState::Resolving);
}

QNetworkAccessManager &InetDownloader::networkFor()
{
    QString host = TrimSpaces(m_request.proxyHost);
    if (!m_request.proxyEnabled || host.isEmpty()) {
        m_proxyNetwork.reset();
        return m_network;
    }
    if (host.contains(QStringLiteral("://")))
        host = QUrl(host).host();
    bool numeric = false;
    const uint port = TrimSpaces(m_request.proxyPort).toUInt(&numeric);
    // A proxy without a usable port is asked on the HTTP default.
    const QNetworkProxy proxy(QNetworkProxy::HttpProxy, host, quint16(numeric && port > 0 && port < 65536 ? port : 80));

    if (!m_proxyNetwork) {
        m_proxyNetwork = std::make_unique<QNetworkAccessManager>();
        // Same cookies as every other request (the sign-in carries over);
        // the plain manager stays the jar's owner.
        QNetworkCookieJar *jar = m_network.cookieJar();
        QObject *owner = jar->parent();
        m_proxyNetwork->setCookieJar(jar);
        jar->setParent(owner);
    }
    // Every request of this manager, https included (a CONNECT tunnel to the
    // address's port, 443 unless it names another), goes through the proxy.
    m_proxyNetwork->setProxy(proxy);
    return *m_proxyNetwork;
}

// Qt tells fewer steps than there are states: Resolving when the request is
// issued (the host lookup is part of it), Connecting when a new connection is
// opened (a reused one skips it), RequestSent, Receiving when the response
// arrives, ResponseReceived and Complete at its end, Error, and Disconnecting
// and Disconnected when we drop the request ourselves.
void InetDownloader::wireStates(QNetworkReply *reply)
{
    connect(reply, &QNetworkReply::socketStartedConnecting, this, [this] { setState(InetState::Connecting); });
    connect(reply, &QNetworkReply::requestSent, this, [this] { setState(InetState::RequestSent); });
    connect(reply, &QNetworkReply::metaDataChanged, this, [this] { setState(InetState::Receiving); });
    connect(reply, &QNetworkReply::errorOccurred, this, [this, reply](QNetworkReply::NetworkError error) {
        const int status = HttpStatus(*reply);
        m_responseCode = status ? status : int(error);
        m_responseText = status ? reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString()
                                : reply->errorString();
        setState(InetState::Error);
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        if (reply->error() == QNetworkReply::NoError) {
            setState(InetState::ResponseReceived);
            setState(InetState::Complete);
        }
    });
}

void InetDownloader::setState(InetState state)
{
    emit stateChanged(int(state), StateText(state, m_responseCode, m_responseText));
}

void InetDownloader::onHeaders()
{
    if (m_phase != Phase::Headers || !m_reply)
        return;
    QNetworkReply &reply = *m_reply;
    const int status = HttpStatus(reply);
    if (status >= 300 && status < 400 && !reply.isFinished() && !reply.rawHeader("Location").isEmpty())
        return; // a hop that is being followed; the final response comes later
    if (status == 0 || RedirectRefused(reply)) {
        const QString reason = NetworkFailureReason(reply);
        abortReply();
        finish(TransferOutcome::NoAnswer, reason);
        return;
    }
    m_responseCode = status;
    m_responseText = reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    const QString refused = RefusedResponse(reply);
    if (!refused.isEmpty()) {
        abortReply();
        finish(TransferOutcome::Failed, refused);
        return;
    }
    const ResponseHeaderVerdict verdict = AnalyseResponseHeaders(HeaderBlock(reply), status, m_request.maxFileSizeMB);
    m_announced = verdict.announced;
    if (verdict.tooBig) {
        abortReply();
        TransferResult result;
        result.outcome = TransferOutcome::TooBig;
        result.total = m_announced;
        finish(result);
        return;
    }
    m_successStatus = verdict.successLine;
    m_httpOk = verdict.httpOk;

    const QString savePath = m_request.planSave ? m_request.planSave(verdict) : m_request.savePath;
    if (m_phase != Phase::Headers)
        return; // abandoned while the save path was planned
    if (savePath.isEmpty()) {
        abortReply();
        finish(TransferOutcome::Failed, QStringLiteral("no save path inside the row's folder"));
        return;
    }
    m_file = std::make_unique<TransferFile>(savePath);
    const QFileInfo existing(savePath);
    if (existing.exists() || existing.isSymLink()) {
        if (!m_file->canReplaceTarget()) {
            abortReply();
            TransferResult result;
            result.outcome = TransferOutcome::CannotReplace;
            result.bytes = existing.isFile() ? existing.size() : 0;
            result.reason = QStringLiteral("cannot replace the existing file");
            finish(result);
            return;
        }
        if (!m_httpOk) {
            // An error answer never takes the place of a file the user has.
            abortReply();
            finish(TransferOutcome::Failed, HttpStatusReason(status));
            return;
        }
    }

    if (m_announced > 0 || m_successStatus) {
        emit receiving(m_request.rowId, m_announced > 0 ? m_announced : 0, true);
        if (!m_file->reserve() || !m_file->open()) {
            abortReply();
            finish(TransferOutcome::Failed, fileReason());
            return;
        }
        m_phase = Phase::Receiving;
        onReceiveData();
        if (m_phase == Phase::Receiving && m_reply && m_reply->isFinished())
            onReceiveFinished();
        return;
    }
    startWholeFetch();
}

bool InetDownloader::writeAvailable()
{
    if (!m_file->appendFrom(*m_reply))
        return false;
    const qint64 length = m_file->size();
    if (length > m_lastLength) {
        m_lastLength = length;
        m_lastGrowth = Clock::instance().seconds();
    }
    return true;
}

void InetDownloader::onReceiveData()
{
    if (m_phase != Phase::Receiving || !m_reply)
        return;
    if (!writeAvailable()) {
        endStalled(TransferOutcome::Failed, fileReason());
        return;
    }
    const qint64 length = m_file->size();
    const quint64 run = m_run;
    emit progress(m_request.rowId, length, m_announced > 0 ? m_announced : 0);
    if (run != m_run || m_phase != Phase::Receiving)
        return; // abandoned meanwhile
    if (!wanted()) {
        afterCancel();
        return;
    }
    // With a size announced, Qt ends the reply once it is all there.
    if (m_announced > 0)
        return;
    if (overMaximum(length)) {
        abortReply();
        // The cut body never takes the document's name: a later "跳过" run
        // would take it for the document.
        m_file->discard();
        TransferResult result;
        result.outcome = TransferOutcome::TooBig;
        result.bytes = length;
        finish(result);
    }
}

void InetDownloader::onReceiveFinished()
{
    if (m_phase == Phase::Headers) {
        onHeaders();
        return;
    }
    if (m_phase != Phase::Receiving || !m_reply)
        return;
    if (!writeAvailable()) {
        endStalled(TransferOutcome::Failed, fileReason());
        return;
    }
    const qint64 length = m_file->size();
    // A body that ended short or on a broken connection can never grow any
    // more: the same end as a stall, without waiting two minutes for it.
    const bool broken = TransportFailed(*m_reply);
    if ((m_announced > 0 && length < m_announced) || (m_announced <= 0 && broken)) {
        endStalled(TransferOutcome::Failed,
                   broken ? NetworkFailureReason(*m_reply)
                          : QStringLiteral("the body ended short (%1 of %2 bytes)").arg(length).arg(m_announced));
        return;
    }
    // A PDF without its end marker is cut short, whatever the transfer said;
    // an error status is saved only as the web page it shows.
    if (JudgeBodyEnd(*m_reply, length) != BodyEnd::Announced && PdfEndMissing(m_file->temporaryPath())) {
        endStalled(TransferOutcome::Failed, QStringLiteral("the body ended short"));
        return;
    }
    if (!SuccessStatus(*m_reply) && !m_file->holdsPage()) {
        endStalled(TransferOutcome::Failed, HttpStatusReason(HttpStatus(*m_reply)));
        return;
    }
    const BodyEnd end = JudgeBodyEnd(*m_reply, length);
    abortReply();
    // A page sent with a type that names the document (a lying server) never
    // takes the place of the document the user has.
    if (m_file->pageWouldReplaceDocument()) {
        finish(TransferOutcome::PageKeptOut, QStringLiteral("a web page came instead of the document"));
        return;
    }
    // A body that ended with the connection may have been cut by a reset: it
    // never takes the place of a file that is there.
    if (m_file->targetExisted() && end == BodyEnd::AtClose) {
        endStalled(TransferOutcome::Failed, UnknownEndReason());
        return;
    }
    if (!m_file->commit()) {
        finish(TransferOutcome::Failed, fileReason());
        return;
    }
    TransferResult result;
    result.outcome = TransferOutcome::Complete;
    result.bytes = length;
    result.total = m_announced > 0 ? m_announced : 0;
    finish(result);
}

void InetDownloader::startWholeFetch()
{
    emit receiving(m_request.rowId, 0, false);
    abortReply();
    if (!m_file->reserve() || !m_file->open()) {
        TransferResult result;
        result.outcome = TransferOutcome::NothingFetched;
        result.wholeResponse = true;
        result.reason = fileReason();
        finish(result);
        return;
    }
    m_phase = Phase::Fetching;
    m_lastGrowth = Clock::instance().seconds();
    m_lastLength = 0;
    m_reply = SendEngineGet(networkFor(), QUrl(m_address), RefererFor(m_request.referrer, m_address));
    wireStates(m_reply);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        if (m_phase != Phase::Fetching || !m_reply)
            return;
        const QString refused = RefusedResponse(*m_reply);
        if (!refused.isEmpty())
            endStalled(TransferOutcome::Failed, refused);
    });
    connect(m_reply, &QNetworkReply::readyRead, this, &InetDownloader::onFetchData);
    connect(m_reply, &QNetworkReply::finished, this, &InetDownloader::onFetchFinished);
    setState(InetState::Resolving);
}

void InetDownloader::onFetchData()
{
    if (m_phase != Phase::Fetching || !m_reply)
        return;
    if (!writeAvailable()) {
        endStalled(TransferOutcome::Failed, fileReason());
        return;
    }
    if (!wanted()) {
        afterCancel();
        return;
    }
    // The fetch has no announced size to stop at; the maximum still holds.
    if (overMaximum(m_file->size())) {
        abortReply();
        TransferResult result;
        result.outcome = TransferOutcome::TooBig;
        result.bytes = m_file->size();
        m_file->discard();
        finish(result);
    }
}

void InetDownloader::onFetchFinished()
{
    if (m_phase != Phase::Fetching || !m_reply)
        return;
    const bool written = writeAvailable();
    const qint64 length = m_file->size();
    const qint64 announced = AnnouncedLength(*m_reply);
    const bool broken = TransportFailed(*m_reply);
    const BodyEnd end = JudgeBodyEnd(*m_reply, length);
    const bool pdfCut = written && end != BodyEnd::Announced && PdfEndMissing(m_file->temporaryPath());
    const bool whole = written && !pdfCut && (announced >= 0 ? length >= announced : !broken);
    const bool endUnknown = whole && m_file->targetExisted() && end == BodyEnd::AtClose;
    const QString transportReason = broken ? NetworkFailureReason(*m_reply)
        : pdfCut                           ? QStringLiteral("the body ended short")
                                           : QString();
    const int status = HttpStatus(*m_reply);
    const bool errorStatus = !SuccessStatus(*m_reply);
    abortReply();
    TransferResult result;
    result.wholeResponse = true;
    result.bytes = length;
    const bool statusRefused = whole && errorStatus && !m_file->holdsPage();
    if (whole && length >= 2 && !statusRefused && !m_file->pageWouldReplaceDocument() && !endUnknown
        && m_file->commit()) {
        result.outcome = TransferOutcome::Complete;
    } else {
        result.outcome = m_file->pageKeptOut() ? TransferOutcome::PageKeptOut : TransferOutcome::NothingFetched;
        if (!written || m_file->errorNumber() != 0)
            result.reason = fileReason();
        else if (!whole)
            result.reason = !transportReason.isEmpty()
                ? transportReason
                : QStringLiteral("the body ended short (%1 of %2 bytes)").arg(length).arg(announced);
        else if (length < 2)
            result.reason = QStringLiteral("no body came");
        else if (statusRefused)
            result.reason = HttpStatusReason(status);
        else if (endUnknown && !m_file->pageKeptOut())
            result.reason = UnknownEndReason();
        else
            result.reason = QStringLiteral("a web page came instead of the document");
        m_file->discard();
    }
    finish(result);
}

void InetDownloader::cancel()
{
    abortReply();
    if (m_phase == Phase::Idle || m_phase == Phase::Ending || m_cancelPending)
        return;
    // The stop command clears TransferBusy right after cancelling; decide
    // once it has finished.
    m_cancelPending = true;
    QTimer::singleShot(0, this, [this, run = m_run] {
        if (run != m_run)
            return;
        m_cancelPending = false;
        afterCancel();
    });
}

void InetDownloader::afterCancel()
{
    switch (m_phase) {
    case Phase::Headers:
        abortReply();
        finish(TransferOutcome::NoAnswer, kCancelled);
        break;
    case Phase::Receiving:
    case Phase::Fetching:
        if (wanted()) {
            endStalled(TransferOutcome::Failed, kCancelled); // the request is gone; nothing more can arrive
            break;
        }
        abortReply();
        m_file->discard();
        finish(TransferOutcome::Cancelled, kCancelled);
        break;
    case Phase::Idle:
    case Phase::Ending:
        break;
    }
}

void InetDownloader::abandon()
{
    if (m_phase == Phase::Idle)
        return;
    ++m_run;
    m_ticker.stop();
    abortReply();
    if (m_file) {
        m_file->discard();
        m_file.reset();
    }
    m_cancelPending = false;
    m_phase = Phase::Idle;
}

void InetDownloader::stallTick()
{
    const double now = Clock::instance().seconds();
    switch (m_phase) {
    case Phase::Headers:
        if (now - m_requestStart >= kHeaderWaitSeconds) {
            abortReply();
            finish(TransferOutcome::NoAnswer, QStringLiteral("no answer within 30 s"));
        }
        break;
    case Phase::Receiving:
    case Phase::Fetching:
        if (!wanted())
            afterCancel();
        else if (now - m_lastGrowth > kStallSeconds)
            endStalled(TransferOutcome::TimedOut, QStringLiteral("time-out: nothing arrived for 120 s"));
        break;
    case Phase::Idle:
    case Phase::Ending:
        break;
    }
}

void InetDownloader::endStalled(TransferOutcome outcome, const QString &reason)
{
    abortReply();
    if (m_file)
        m_file->discard();
    finish(outcome, reason);
}

void InetDownloader::finish(TransferOutcome outcome, const QString &reason)
{
    TransferResult result;
    result.outcome = outcome;
    result.reason = reason;
    result.bytes = m_file ? m_file->size() : 0;
    result.total = m_announced > 0 ? m_announced : 0;
    finish(result);
}

void InetDownloader::finish(TransferResult result)
{
    m_phase = Phase::Ending;
    m_ticker.stop();
    abortReply();
    if (m_file) {
        m_file->discard();
        m_file.reset();
    }
    const quint64 id = m_request.rowId;
    m_phase = Phase::Idle;
    emit ended(id, result);
}

void InetDownloader::abortReply()
{
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    if (!reply->isFinished()) {
        setState(InetState::Disconnecting);
        reply->abort();
        setState(InetState::Disconnected);
    }
    reply->deleteLater();
}

QString InetDownloader::SiteRoot(const QString &address)
{
    const qsizetype scheme = address.indexOf(QStringLiteral("://"));
    if (scheme >= 0) {
        const qsizetype slash = address.indexOf(QLatin1Char('/'), scheme + 3);
        return slash < 0 ? address : address.left(slash);
    }
    const qsizetype slash = address.indexOf(QLatin1Char('/'));
    return slash >= 3 ? address.left(slash) : address;
}

QString InetDownloader::StateText(InetState state, int responseCode, const QString &responseText)
{
    switch (int(state)) {
    case 0: return QStringLiteral("0 无状态可报告。");
    case 1: return QStringLiteral("1 正在查询所指定的主机的 IP 地址...");
    case 2: return QStringLiteral("2 已成功地找到所指定的主机的 IP 地址。");
    case 3: return QStringLiteral("3 正在与主机连接...");
    case 4: return QStringLiteral("4 已与主机连接成功。");
    case 5: return QStringLiteral("5 正在向主机发送请求...");
    case 6: return QStringLiteral("6 发送请求已成功。");
    case 7: return QStringLiteral("7 正在接收主机的响应...");
    case 8: return QStringLiteral("8 已成功地接收到主机的响应。");
    case 9: return QStringLiteral("9 正在解除与主机的连接...");
    case 10: return QStringLiteral("10 已成功地与主机解除了连接。");
    case 11:
        return QStringLiteral("11 与主机通讯时出现了错误:") + QString::number(responseCode) + QLatin1Char(':') + responseText;
    case 12: return QStringLiteral("12 该请求已经完成，并且所有数据均已接收到。");
    default: return QString::number(responseCode) + QLatin1Char(':') + responseText;
    }
}
