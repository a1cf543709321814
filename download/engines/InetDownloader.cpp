#include "download/engines/InetDownloader.h"

#include "common/Paths.h"
#include "common/TextCodec.h"
#include "download/core/DownloadListModel.h"
#include "download/core/DownloadSession.h"
#include "download/core/FileTypes.h"
#include "download/core/SaveNames.h"
#include "download/core/SavePlan.h"
#include "download/engines/EngineRequest.h"
#include "download/engines/ResponseHeaders.h"
#include "download/engines/TransferFile.h"
#include "platform/Clock.h"

#include <QDir>
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

InetDownloader::InetDownloader(DownloadSession &session, QObject *parent)
    : QObject(parent)
    , m_session(session)
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

int InetDownloader::currentRow() const
{
    return m_session.list().indexOfId(m_rowId);
}

void InetDownloader::start(RowId id)
{
    DownloadListModel &list = m_session.list();
    const int rowIndex = list.indexOfId(id);
    if (m_phase != Phase::Idle || rowIndex < 0) {
        // Not a row this engine can take; the caller still hears about it once.
        QTimer::singleShot(0, this, [this, id] { emit finished(id, false); });
        return;
    }
    m_rowId = id;
    m_address = TrimSpaces(选择url(list.at(rowIndex).address));
    m_announced = 0;
    m_sizeUnknown = false;
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
    m_session.setTransferBusy(true);
    m_session.setStatusPanel(StatusPanel::Transfer, QStringLiteral("正在下载:") + list.at(rowIndex).name);

    const QString referer = RefererFor(list.at(rowIndex).referrer, m_address);
    const QUrl url(m_address);
    m_phase = Phase::Headers;
    m_ticker.start();
    if (!IsHttpUrl(url)) {
        // Nothing to ask: no headers will ever come.
        m_phase = Phase::Ending;
        QTimer::singleShot(0, this, [this] {
            if (abandonIfRowGone())
                return;
            m_session.list().setState(currentRow(), RowState::Failed);
            endRow(false);
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
    const DownloadOptions &options = m_session.options();
    QString host = TrimSpaces(options.proxyUrl);
    if (!options.proxyEnabled || host.isEmpty()) {
        m_proxyNetwork.reset();
        return m_session.network();
    }
    if (host.contains(QStringLiteral("://")))
        host = QUrl(host).host();
    bool numeric = false;
    const uint port = TrimSpaces(options.proxyPort).toUInt(&numeric);
    // A proxy without a usable port is asked on the HTTP default.
    const QNetworkProxy proxy(QNetworkProxy::HttpProxy, host, quint16(numeric && port > 0 && port < 65536 ? port : 80));

    if (!m_proxyNetwork) {
        m_proxyNetwork = std::make_unique<QNetworkAccessManager>();
        // Same cookies as every other request (the sign-in carries over);
        // the session's manager stays the jar's owner.
        QNetworkCookieJar *jar = m_session.network().cookieJar();
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
    emit stateChanged(int(state));
    m_session.setStatusPanel(StatusPanel::EngineState, StateText(state, m_responseCode, m_responseText));
}

void InetDownloader::onHeaders()
{
    if (m_phase != Phase::Headers || !m_reply)
        return;
    if (abandonIfRowGone())
        return;
    QNetworkReply &reply = *m_reply;
    const int status = HttpStatus(reply);
    if (status >= 300 && status < 400 && !reply.isFinished() && !reply.rawHeader("Location").isEmpty())
        return; // a hop that is being followed; the final response comes later
    DownloadListModel &list = m_session.list();
    if (status == 0 || RedirectRefused(reply)) {
        abortReply();
        list.setState(currentRow(), RowState::Failed);
        endRow(false);
        return;
    }
    m_responseCode = status;
    m_responseText = reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    const DownloadOptions &options = m_session.options();
    const ResponseHeaderVerdict verdict = AnalyseResponseHeaders(HeaderBlock(reply), status, options.maxFileSizeMB);
    m_announced = verdict.announced;
    if (verdict.tooBig) {
        abortReply();
        list.modify(currentRow(), [](DownloadRow &r) { r.setProgressNote(RowNote::TooBig); });
        list.setState(currentRow(), RowState::Done);
        endRow(true);
        return;
    }
    const QString extension = verdict.extension;
    m_successStatus = verdict.successLine;
    m_httpOk = verdict.httpOk;

    const QString savePath = PlanSingleConnectionSavePath(list, currentRow(), extension, options.duplicateMode);
    if (savePath.isEmpty()) {
        abortReply();
        list.modify(currentRow(), [](DownloadRow &r) { r.setSizeNote(RowNote::TransferFailed); });
        list.setState(currentRow(), RowState::Failed);
        endRow(false);
        return;
    }
    m_file = std::make_unique<TransferFile>(savePath);
    const QFileInfo existing(savePath);
    if (existing.exists() || existing.isSymLink()) {
        if (!m_file->canReplaceTarget()) {
            abortReply();
            const qint64 length = existing.isFile() ? existing.size() : 0;
            list.modify(currentRow(), [&](DownloadRow &r) {
                r.setSize(length);
                r.received = length;
                r.setProgressNote(RowNote::CannotReplace);
            });
            list.setState(currentRow(), RowState::Failed);
            endRow(false);
            return;
        }
        if (!m_httpOk) {
            // An error answer never takes the place of a file the user has.
            abortReply();
            list.modify(currentRow(), [](DownloadRow &r) { r.setSizeNote(RowNote::TransferFailed); });
            list.setState(currentRow(), RowState::Failed);
            endRow(false);
            return;
        }
    }

    if (m_announced > 0 || m_successStatus) {
        m_sizeUnknown = m_announced <= 0;
        const bool unknown = m_sizeUnknown;
        const qint64 announced = m_announced;
        list.modify(currentRow(), [&](DownloadRow &r) {
            if (unknown)
                r.setSizeNote(RowNote::UnknownSize);
            else
                r.setSize(announced);
            r.received = 0;
        });
        if (!m_file->reserve() || !m_file->open()) {
            abortReply();
            list.modify(currentRow(), [](DownloadRow &r) { r.setSizeNote(RowNote::TransferFailed); });
            list.setState(currentRow(), RowState::Failed);
            endRow(false);
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
    if (abandonIfRowGone())
        return;
    DownloadListModel &list = m_session.list();
    if (!writeAvailable()) {
        endStalled();
        return;
    }
    const qint64 length = m_file->size();
    const qint64 announced = m_announced;
    list.modify(currentRow(), [&](DownloadRow &r) {
        r.received = length;
        if (announced > 0)
            r.setPercent(length * 100 / announced);
    });
    if (!m_session.transferBusy()) {
        afterCancel();
        return;
    }
    // With a size announced, Qt ends the reply once it is all there.
    if (announced > 0)
        return;
    if (double(length) / kMegabyte > m_session.options().maxFileSizeMB) {
        abortReply();
        // The cut body never takes the document's name: a later "跳过" run
        // would take it for the document.
        m_file->discard();
        list.modify(currentRow(), [](DownloadRow &r) { r.setProgressNote(RowNote::TooBig); });
        list.setState(currentRow(), RowState::Done);
        endRow(true);
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
    if (abandonIfRowGone())
        return;
    if (!writeAvailable()) {
        endStalled();
        return;
    }
    const qint64 length = m_file->size();
    // A body that ended short or on a broken connection can never grow any
    // more: the same end as a stall, without waiting two minutes for it.
    if ((m_announced > 0 && length < m_announced) || (m_announced <= 0 && TransportFailed(*m_reply))) {
        endStalled();
        return;
    }
    abortReply();
    DownloadListModel &list = m_session.list();
    // A page sent with a type that names the document (a lying server) never
    // takes the place of the document the user has.
    if (m_file->pageWouldReplaceDocument() || !m_file->commit()) {
        list.modify(currentRow(), [](DownloadRow &r) { r.setSizeNote(RowNote::TransferFailed); });
        list.setState(currentRow(), RowState::Failed);
        endRow(false);
        return;
    }
    const bool sizeUnknown = m_sizeUnknown;
    list.modify(currentRow(), [&](DownloadRow &r) {
        if (r.received >= 0 && sizeUnknown && r.sizeNote == RowNote::UnknownSize) {
            r.setSize(r.received);
            r.setPercent(100);
        }
    });
    list.setState(currentRow(), RowState::Done);
    CorrectRowFileType(list, currentRow());
    endRow(true);
}

void InetDownloader::startWholeFetch()
{
    DownloadListModel &list = m_session.list();
    list.modify(currentRow(), [](DownloadRow &r) { r.setSizeNote(RowNote::UnknownSize); });
    abortReply();
    if (!m_file->reserve() || !m_file->open()) {
        list.clearTexts(currentRow());
        list.setState(currentRow(), RowState::Failed);
        CorrectRowFileType(list, currentRow());
        endRow(false);
        return;
    }
    m_phase = Phase::Fetching;
    m_lastGrowth = Clock::instance().seconds();
    m_lastLength = 0;
    m_reply = SendEngineGet(networkFor(), QUrl(m_address), RefererFor(list.at(currentRow()).referrer, m_address));
    wireStates(m_reply);
    connect(m_reply, &QNetworkReply::readyRead, this, &InetDownloader::onFetchData);
    connect(m_reply, &QNetworkReply::finished, this, &InetDownloader::onFetchFinished);
    setState(InetState::Resolving);
}

void InetDownloader::onFetchData()
{
    if (m_phase != Phase::Fetching || !m_reply)
        return;
    if (abandonIfRowGone())
        return;
    if (!writeAvailable()) {
        endStalled();
        return;
    }
    if (!m_session.transferBusy()) {
        afterCancel();
        return;
    }
    // The fetch has no announced size to stop at; the maximum still holds.
    if (double(m_file->size()) / kMegabyte > m_session.options().maxFileSizeMB) {
        abortReply();
        m_file->discard();
        DownloadListModel &list = m_session.list();
        list.modify(currentRow(), [](DownloadRow &r) { r.setProgressNote(RowNote::TooBig); });
        list.setState(currentRow(), RowState::Done);
        endRow(true);
    }
}

void InetDownloader::onFetchFinished()
{
    if (m_phase != Phase::Fetching || !m_reply)
        return;
    if (abandonIfRowGone())
        return;
    const bool written = writeAvailable();
    const qint64 length = m_file->size();
    const qint64 announced = AnnouncedLength(*m_reply);
    const bool whole = written && (announced >= 0 ? length >= announced : !TransportFailed(*m_reply));
    abortReply();
    DownloadListModel &list = m_session.list();
    bool result = false;
    if (whole && length >= 2 && !m_file->pageWouldReplaceDocument() && m_file->commit()) {
        list.modify(currentRow(), [&](DownloadRow &r) {
            r.setSize(length);
            r.received = length;
            r.setPercent(100);
        });
        list.setState(currentRow(), RowState::Done);
        result = true;
    } else {
        m_file->discard();
        list.clearTexts(currentRow());
        list.setState(currentRow(), RowState::Failed);
    }
    CorrectRowFileType(list, currentRow());
    endRow(result);
}

void InetDownloader::cancel()
{
    abortReply();
    if (m_phase == Phase::Idle || m_phase == Phase::Ending || m_cancelPending)
        return;
    // The stop command clears TransferBusy right after cancelling; decide
    // once it has finished.
    m_cancelPending = true;
    QTimer::singleShot(0, this, [this] {
        m_cancelPending = false;
        afterCancel();
    });
}

void InetDownloader::afterCancel()
{
    if (m_phase == Phase::Idle || m_phase == Phase::Ending || abandonIfRowGone())
        return;
    DownloadListModel &list = m_session.list();
    switch (m_phase) {
    case Phase::Headers:
        abortReply();
        list.setState(currentRow(), RowState::Failed);
        endRow(false);
        break;
    case Phase::Receiving:
    case Phase::Fetching:
        if (m_session.transferBusy()) {
            endStalled(); // the request is gone; nothing more can arrive
            break;
        }
        abortReply();
        m_file->discard();
        list.modify(currentRow(), [](DownloadRow &r) { r.setSizeNote(RowNote::Cancelled); });
        list.setState(currentRow(), RowState::Failed);
        endRow(false);
        break;
    case Phase::Idle:
    case Phase::Ending:
        break;
    }
}

void InetDownloader::stallTick()
{
    if (m_phase == Phase::Idle || m_phase == Phase::Ending || abandonIfRowGone())
        return;
    const double now = Clock::instance().seconds();
    switch (m_phase) {
    case Phase::Headers:
        if (now - m_requestStart >= kHeaderWaitSeconds) {
            abortReply();
            m_session.list().setState(currentRow(), RowState::Failed);
            endRow(false);
        }
        break;
    case Phase::Receiving:
    case Phase::Fetching:
        if (!m_session.transferBusy())
            afterCancel();
        else if (now - m_lastGrowth > kStallSeconds)
            endStalled();
        break;
    case Phase::Idle:
    case Phase::Ending:
        break;
    }
}

// The list was emptied under a running transfer: nothing to write into.
bool InetDownloader::abandonIfRowGone()
{
    if (currentRow() >= 0)
        return false;
    m_ticker.stop();
    abortReply();
    if (m_file) {
        m_file->discard();
        m_file.reset();
    }
    m_phase = Phase::Idle;
    emit finished(m_rowId, false);
    return true;
}

void InetDownloader::endStalled()
{
    abortReply();
    if (m_file)
        m_file->discard();
    DownloadListModel &list = m_session.list();
    list.modify(currentRow(), [](DownloadRow &r) { r.setSizeNote(RowNote::TransferFailed); });
    list.setState(currentRow(), RowState::Failed);
    endRow(false);
}

void InetDownloader::endRow(bool result)
{
    if (abandonIfRowGone())
        return;
    m_phase = Phase::Ending;
    m_ticker.stop();
    abortReply();
    const bool pageKeptOut = m_file && m_file->pageKeptOut();
    if (m_file) {
        m_file->discard();
        m_file.reset();
    }
    const RowId id = m_rowId;
    m_phase = Phase::Idle;
    emit rowEnded(id, pageKeptOut);
    emit finished(id, result);
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
