#include "download/scheduler/DownloadScheduler.h"

#include "common/Paths.h"
#include "download/core/DownloadListModel.h"
#include "download/core/DownloadRow.h"
#include "download/core/DownloadSession.h"
#include "download/core/FileTypes.h"
#include "download/core/SaveNames.h"
#include "download/core/SavePlan.h"
#include "download/engines/InetDownloader.h"
#include "download/engines/SlotDownloader.h"
#include "platform/Clock.h"
#include "platform/SoundPlayer.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

DownloadScheduler::DownloadScheduler(DownloadSession &session, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_engineFactory([](QNetworkAccessManager &network, QObject *parent) -> DownloadEngine * {
        return new SlotDownloader(network, parent);
    })
{
    m_slotRowId.fill(0);
    setSingleConnection(new InetDownloader(session.network()));
    redownloadFailedRows = [this] { RedownloadFailedRows(m_session.list()); };
    redownloadPageRows = [this] { RedownloadPageRows(m_session.list()); };

    DownloadListModel &list = session.list();
    connect(&list, &QAbstractItemModel::rowsRemoved, this, &DownloadScheduler::dropTransfersOfGoneRows);
    connect(&list, &QAbstractItemModel::modelReset, this, &DownloadScheduler::dropTransfersOfGoneRows);

    m_timerDown.setInterval(1000);
    m_timer1.setInterval(1000);
    connect(&m_timerDown, &QTimer::timeout, this, &DownloadScheduler::schedulerTick);
    connect(&m_timer1, &QTimer::timeout, this, &DownloadScheduler::housekeepingTick);
    m_timer1.start();
}

DownloadScheduler::~DownloadScheduler()
{
    // Unloading every slot here, before QObject's child cleanup, keeps their
    // last signals from reaching a half-destroyed scheduler.
    for (int k = 1; k <= kMaxSlots; ++k)
        unloadSlot(k, true);
    disconnect(m_inet, nullptr, this, nullptr);
}

InetDownloader *DownloadScheduler::inetDownloader() const
{
    return qobject_cast<InetDownloader *>(m_inet);
}

void DownloadScheduler::setSingleConnection(DownloadEngine *engine)
{
    if (!engine)
        return;
    delete m_inet;
    m_inet = engine;
    engine->setParent(this);
    if (InetDownloader *inet = inetDownloader()) {
        // The stop command ends a receiving single connection by clearing TransferBusy.
        inet->setTransferWanted([this] { return m_session.transferBusy(); });
        connect(inet, &InetDownloader::stateChanged, this,
                [this](int, const QString &text) { m_session.setStatusPanel(StatusPanel::EngineState, text); });
    }
    connect(engine, &DownloadEngine::receiving, this, &DownloadScheduler::onInetReceiving);
    connect(engine, &DownloadEngine::progress, this, &DownloadScheduler::onInetProgress);
    connect(engine, &DownloadEngine::ended, this,
            [this](quint64 id, const TransferResult &result) { endTransfer(0, id, result); });
}

void DownloadScheduler::setManualTicks(bool manual)
{
    m_manualTicks = manual;
    if (manual) {
        m_timerDown.stop();
        m_timer1.stop();
    } else {
        m_timer1.start();
        if (m_tickOn)
            m_timerDown.start();
    }
}

void DownloadScheduler::setEngineFactory(DownloadEngineFactory factory)
{
    if (factory)
        m_engineFactory = std::move(factory);
}

void DownloadScheduler::setTickOn(bool on)
{
    if (m_tickOn == on)
        return;
    m_tickOn = on;
    if (!m_manualTicks) {
        if (on)
            m_timerDown.start();
        else
            m_timerDown.stop();
    }
    emit schedulerTickChanged(on);
}

void DownloadScheduler::setStartEnabled(bool enabled)
{
    if (m_startEnabled == enabled)
        return;
    m_startEnabled = enabled;
    emit startEnabledChanged(enabled);
}

void DownloadScheduler::setIndicator(bool visible)
{
    if (m_indicator == visible)
        return;
    m_indicator = visible;
    emit runningIndicatorChanged(visible);
}

void DownloadScheduler::start()
{
    setTickOn(true);
}

void DownloadScheduler::startAtOnce()
{
    setTickOn(true);
    if (m_session.list().count() == 0) {
        setTickOn(false);
        return;
    }
    if (m_session.options().method == DownloadMethod::SingleConnection)
        startMethod1();
    else
        startMethod2();
}

bool DownloadScheduler::allRowsEnded() const
{
    return CountSlotInstances() <= 1 && !m_inet->isExecuting() && m_session.list().检测是否下载列表完毕();
}

void DownloadScheduler::stop()
{
    DownloadOptions &options = m_session.options();
    options.autoStart = false;
    options.autoRedownload = false;
    emit automaticOptionsCleared();

    m_inet->cancel();
    setTickOn(false);
    m_session.setTransferBusy(false);
    m_inet->cancel();

    for (int k = 1; k <= kMaxSlots; ++k)
        unloadSlot(k, true);

    DownloadListModel &list = m_session.list();
    for (int i = 0; i < list.count(); ++i) {
        if (list.at(i).state == RowState::Downloading) {
            list.setState(i, RowState::Failed);
            emit rowFailed(list.idAt(i), QStringLiteral("cancelled"));
        }
    }
    m_session.setTransferBusy(false);
}

void DownloadScheduler::switchMethod()
{
    DownloadOptions &options = m_session.options();
    options.method = options.method == DownloadMethod::Slots ? DownloadMethod::SingleConnection : DownloadMethod::Slots;
    options.threadCount = 1;
    emit methodChanged(int(options.method), options.threadCount);
}

void DownloadScheduler::schedulerTick()
{
    DownloadListModel &list = m_session.list();
    if (list.count() == 0) {
        setTickOn(false);
        return;
    }
    // Measured from the end of the last download, so the interval separates
    // an end from the next start, not two starts.
    const double d = std::fabs(m_session.lastFinishTime() - Clock::instance().seconds());
    if (!(d > double(m_session.options().intervalSeconds)))
        return;
    if (m_session.options().method == DownloadMethod::SingleConnection)
        startMethod1();
    else
        startMethod2();
}

void DownloadScheduler::startMethod1()
{
    if (m_session.transferBusy())
        return;
    DownloadListModel &list = m_session.list();
    int taken = -1;
    for (int i = 0; i < list.count() && taken < 0; ++i) {
        if (list.at(i).state != RowState::Waiting)
            continue;
        list.modify(i, [](DownloadRow &row) {
            row.name = SanitizeFileName(row.name);
            row.folder = WithTrailingSlash(row.folder);
        });
        if (确定是需要下载(i))
            taken = i;
    }
    if (taken < 0)
        return;
    list.setState(taken, RowState::Downloading);
    m_session.locateRow(taken);
    list.clearTexts(taken);
    m_slotRowId[1] = list.idAt(taken);
    Inet下载当前文件(taken);
}

void DownloadScheduler::startMethod2()
{
    DownloadListModel &list = m_session.list();
    const int n = std::clamp(m_session.options().threadCount, 1, kMaxSlots);
    for (int s = 1; s <= n; ++s) {
        if (slotLoaded(s))
            continue;
        int taken = -1;
        for (int i = 0; i < list.count() && taken < 0; ++i) {
            if (list.at(i).state != RowState::Waiting)
                continue;
            if (PrepareSlotRow(list, i) && 确定是需要下载(i))
                taken = i;
        }
        if (taken < 0)
            continue;
        list.setState(taken, RowState::Downloading);
        m_session.locateRow(taken);
        const QString savePath = PlanSlotSavePath(list, taken, m_session.options().duplicateMode);
        多线程下载(s, taken, 选择url(list.at(taken).address), savePath);
    }
}

bool DownloadScheduler::确定是需要下载(int li)
{
    return NeedsDownload(m_session.list(), li, m_session.options().duplicateMode);
}

void DownloadScheduler::多线程下载(int Index, int 序号, const QString &网址, const QString &保存文件路径)
{
    DownloadListModel &list = m_session.list();
    if (Index < 1 || Index > kMaxSlots || 序号 < 0 || 序号 >= list.count())
        return;
    unloadSlot(Index, true);
    DownloadEngine *slot = m_engineFactory(m_session.network(), this);
    m_slots[Index] = slot;
    m_slotRowId[Index] = list.idAt(序号);
    connect(slot, &DownloadEngine::progress, this,
            [this, Index](quint64, qint64 received, qint64 total) { onSlotProgress(Index, received, total); });
    connect(slot, &DownloadEngine::ended, this,
            [this, Index](quint64 id, const TransferResult &result) { endTransfer(Index, id, result); });

    m_session.setTransferBusy(true);
    list.setState(序号, RowState::Downloading);
    m_session.locateRow(序号);
    list.clearTexts(序号);
    TransferRequest request;
    request.rowId = list.idAt(序号);
    request.address = 网址;
    request.savePath = 保存文件路径;
    request.referrer = list.at(序号).referrer;
    // A body without an announced total is held to the maximum size too.
    request.maxFileSizeMB = m_session.options().maxFileSizeMB;
    slot->start(request);
}

void DownloadScheduler::Inet下载当前文件(int li)
{
    DownloadListModel &list = m_session.list();
    if (li < 0 || li >= list.count())
        return;
    if (m_inet->isExecuting() || m_session.transferBusy()) {
        list.modify(li, [](DownloadRow &row) {
            row.state = RowState::Waiting;
            row.setSizeNote(RowNote::WaitingForRetry);
        });
        return;
    }
    m_session.setTransferBusy(true);
    const DownloadRow &row = list.at(li);
    const quint64 id = list.idAt(li);
    m_inetRowId = id;
    m_session.setStatusPanel(StatusPanel::Transfer, QStringLiteral("正在下载:") + row.name);

    const DownloadOptions &options = m_session.options();
    TransferRequest request;
    request.rowId = id;
    request.address = 选择url(row.address);
    request.referrer = row.referrer;
    request.maxFileSizeMB = options.maxFileSizeMB;
    request.proxyEnabled = options.proxyEnabled;
    request.proxyHost = options.proxyUrl;
    request.proxyPort = options.proxyPort;
    // The save plan waits for the headers: they name the type.
    request.planSave = [this, id](const ResponseHeaderVerdict &verdict) {
        DownloadListModel &rows = m_session.list();
        const int at = rows.indexOfId(id);
        if (at < 0)
            return QString();
        return PlanSingleConnectionSavePath(rows, at, verdict.extension, m_session.options().duplicateMode);
    };
    m_inet->start(request);
}

int DownloadScheduler::CountSlotInstances() const
{
    return 1 + int(std::count_if(m_slots.begin() + 1, m_slots.end(), [](DownloadEngine *s) { return s != nullptr; }));
}

bool DownloadScheduler::slotLoaded(int k) const
{
    return k >= 1 && k <= kMaxSlots && m_slots[k] != nullptr;
}

DownloadEngine *DownloadScheduler::slotInstance(int k) const
{
    return slotLoaded(k) ? m_slots[k] : nullptr;
}

int DownloadScheduler::slotRow(int k) const
{
    return (k >= 0 && k < int(m_slotRowId.size())) ? m_session.list().indexOfId(m_slotRowId[k]) : -1;
}

void DownloadScheduler::unloadSlot(int k, bool now)
{
    DownloadEngine *slot = m_slots[k];
    if (!slot)
        return;
    m_slots[k] = nullptr;
    // Whatever the slot still says while it goes is about a row it no
    // longer owns.
    disconnect(slot, nullptr, this, nullptr);
    if (now) {
        delete slot;
        return;
    }
    // We may be inside one of its own signals, so it goes later; its
    // transfer goes now, or a document skipped as too big could still
    // arrive in full before the deletion.
    slot->cancel();
    slot->deleteLater();
    // Switched to method 1 while slots still fetched: the last slot's end
    // frees the transfer, so the single connection starts on the next tick.
    if (m_session.options().method == DownloadMethod::SingleConnection && CountSlotInstances() <= 1
        && !m_inet->isExecuting())
        m_session.setTransferBusy(false);
}

int DownloadScheduler::rowOfSlot(int Index) const
{
    if (Index < 1 || Index > kMaxSlots)
        return -1;
    return m_session.list().indexOfId(m_slotRowId[Index]);
}

void DownloadScheduler::writeSizes(int row, qint64 CurBytes, qint64 MaxBytes)
{
    m_session.list().modify(row, [&](DownloadRow &r) {
        r.setSize(MaxBytes);
        r.received = CurBytes;
        r.setPercent(CurBytes * 100 / MaxBytes);
    });
}

void DownloadScheduler::playIfPrompted(NotificationSound sound) const
{
    if (m_session.options().soundPrompt)
        PlaySoundResource(sound);
}

void DownloadScheduler::onDownloadProgress(int Index, qint64 CurBytes, qint64 MaxBytes, const QString &)
{
    if (MaxBytes > 0) {
        onSlotProgress(Index, CurBytes, MaxBytes);
        return;
    }
    TransferResult result;
    result.outcome = TransferOutcome::TooBig;
    result.bytes = CurBytes;
    if (double(CurBytes) / 1024.0 / 1024.0 > m_session.options().maxFileSizeMB && rowOfSlot(Index) >= 0)
        endTransfer(Index, m_slotRowId[Index], result);
}

void DownloadScheduler::onDownloadComplete(int Index, qint64 CurBytes, qint64 MaxBytes, const QString &)
{
    if (rowOfSlot(Index) < 0)
        return;
    TransferResult result;
    result.outcome = TransferOutcome::Complete;
    result.bytes = CurBytes;
    result.total = MaxBytes;
    endTransfer(Index, m_slotRowId[Index], result);
}

void DownloadScheduler::onDownloadError(int Index, const QString &MissCode, const QString &)
{
    if (rowOfSlot(Index) < 0)
        return;
    TransferResult result;
    result.outcome = MissCode == QStringLiteral("超时") ? TransferOutcome::TimedOut : TransferOutcome::Failed;
    endTransfer(Index, m_slotRowId[Index], result);
}

void DownloadScheduler::onSlotProgress(int Index, qint64 received, qint64 total)
{
    const int row = rowOfSlot(Index);
    if (row < 0 || total <= 0 || total < received)
        return;
    writeSizes(row, received, total);
    if (double(total) / 1024.0 / 1024.0 > m_session.options().maxFileSizeMB) {
        TransferResult result;
        result.outcome = TransferOutcome::TooBig;
        result.bytes = received;
        result.total = total;
        endTransfer(Index, m_slotRowId[Index], result);
    }
}

void DownloadScheduler::onInetReceiving(quint64 rowId, qint64 total, bool counted)
{
    m_session.list().modify(m_session.list().indexOfId(rowId), [&](DownloadRow &r) {
        if (total > 0)
            r.setSize(total);
        else
            r.setSizeNote(RowNote::UnknownSize);
        if (counted)
            r.received = 0;
    });
}

void DownloadScheduler::onInetProgress(quint64 rowId, qint64 received, qint64 total)
{
    m_session.list().modify(m_session.list().indexOfId(rowId), [&](DownloadRow &r) {
        r.received = received;
        if (total > 0)
            r.setPercent(received * 100 / total);
    });
}

namespace {

// The few words a failed end goes with when the engine named none.
QString ReasonFor(const TransferResult &result)
{
    if (!result.reason.isEmpty())
        return result.reason;
    switch (result.outcome) {
    case TransferOutcome::Complete:
        return QStringLiteral("the body ended short (%1 of %2 bytes)").arg(result.bytes).arg(result.total);
    case TransferOutcome::TimedOut: return QStringLiteral("time-out");
    case TransferOutcome::Cancelled: return QStringLiteral("cancelled");
    case TransferOutcome::CannotReplace: return QStringLiteral("cannot replace the existing file");
    case TransferOutcome::PageKeptOut: return QStringLiteral("a web page came instead of the document");
    case TransferOutcome::NoAnswer: return QStringLiteral("no answer");
    case TransferOutcome::NothingFetched: return QStringLiteral("no body came");
    case TransferOutcome::TooBig:
    case TransferOutcome::Failed: break;
    }
    return QStringLiteral("download failed");
}

} // namespace

bool DownloadScheduler::writeSingleConnectionEnd(int row, const TransferResult &result)
{
    DownloadListModel &list = m_session.list();
    const auto failWith = [&](RowNote sizeNote) {
        list.modify(row, [sizeNote](DownloadRow &r) { r.setSizeNote(sizeNote); });
        list.setState(row, RowState::Failed);
    };
    // What the whole-response fetch could not use empties the progress columns.
    const auto failEmptied = [&] {
        list.clearTexts(row);
        list.setState(row, RowState::Failed);
        CorrectRowFileType(list, row);
    };
    switch (result.outcome) {
    case TransferOutcome::Complete:
        list.modify(row, [&](DownloadRow &r) {
            if (result.wholeResponse) {
                r.setSize(result.bytes);
                r.received = result.bytes;
                r.setPercent(100);
            } else if (r.received >= 0 && result.total <= 0 && r.sizeNote == RowNote::UnknownSize) {
                r.setSize(r.received);
                r.setPercent(100);
            }
        });
        list.setState(row, RowState::Done);
        CorrectRowFileType(list, row);
        return true;
    case TransferOutcome::TooBig:
        list.modify(row, [](DownloadRow &r) { r.setProgressNote(RowNote::TooBig); });
        list.setState(row, RowState::Done);
        return true;
    case TransferOutcome::NoAnswer:
        list.setState(row, RowState::Failed);
        return false;
    case TransferOutcome::Failed:
    case TransferOutcome::TimedOut:
        failWith(RowNote::TransferFailed);
        return false;
    case TransferOutcome::Cancelled:
        failWith(RowNote::Cancelled);
        return false;
    case TransferOutcome::CannotReplace:
        list.modify(row, [&](DownloadRow &r) {
            r.setSize(result.bytes);
            r.received = result.bytes;
            r.setProgressNote(RowNote::CannotReplace);
        });
        list.setState(row, RowState::Failed);
        return false;
    case TransferOutcome::PageKeptOut:
        if (result.wholeResponse)
            failEmptied();
        else
            failWith(RowNote::TransferFailed);
        return false;
    case TransferOutcome::NothingFetched:
        failEmptied();
        return false;
    }
    return false;
}

void DownloadScheduler::endTransfer(int Index, quint64 rowId, const TransferResult &result)
{
    DownloadListModel &list = m_session.list();
    const bool single = Index == 0;
    if (!single && (Index < 1 || Index > kMaxSlots || m_slotRowId[Index] != rowId || !m_slots[Index]))
        return; // not the transfer this slot holds now
    const int row = list.indexOfId(rowId);
    bool failed = false;
    if (single) {
        if (row >= 0) {
            failed = !writeSingleConnectionEnd(row, result);
            m_session.endRow(row, DownloadSession::PageRule::WithXml, result.outcome == TransferOutcome::PageKeptOut);
        }
        m_session.setTransferBusy(false);
    } else if (row < 0) {
        unloadSlot(Index, false);
    } else if (result.outcome == TransferOutcome::Complete) {
        if (result.total > 0 && result.total >= result.bytes)
            writeSizes(row, result.bytes, result.total);
        failed = !list.at(row).complete();
        list.setState(row, failed ? RowState::Failed : RowState::Done);
        unloadSlot(Index, false);
        CorrectRowFileType(list, row);
        m_session.endRow(row, DownloadSession::PageRule::HtmOrHtml);
    } else if (result.outcome == TransferOutcome::TooBig) {
        // A body without a total that passed the maximum: its size stays
        // unknown, what arrived is only what arrived.
        const bool totalKnown = result.total > 0;
        list.modify(row, [&](DownloadRow &r) {
            r.state = RowState::Done;
            if (!totalKnown) {
                r.setSizeNote(RowNote::UnknownSize);
                r.received = result.bytes;
            }
            r.setProgressNote(RowNote::TooBig);
        });
        m_session.markFinished();
        unloadSlot(Index, false);
    } else {
        // Every byte may have arrived before the file could not be kept; a
        // failed row never says "100%".
        list.modify(row, [](DownloadRow &r) {
            if (r.percent >= 100)
                r.percent = -1;
        });
        list.setState(row, RowState::Failed);
        failed = true;
        unloadSlot(Index, false);
        // A sign-in page kept out of an existing document still asks for the
        // automatic sign-in.
        if (result.outcome == TransferOutcome::PageKeptOut)
            m_session.startSiteLoginAfterDownload(row, DownloadSession::PageRule::HtmOrHtml, true);
        m_session.markFinished();
    }
    if (row < 0)
        return;
    if (failed)
        emit rowFailed(rowId, ReasonFor(result));
    emit transferEnded(rowId, result);
}

void DownloadScheduler::dropTransfersOfGoneRows()
{
    DownloadListModel &list = m_session.list();
    if (m_inet->isExecuting() && list.indexOfId(m_inetRowId) < 0) {
        m_inet->abandon();
        m_session.setTransferBusy(false);
    }
    for (int k = 1; k <= kMaxSlots; ++k) {
        if (m_slots[k] && list.indexOfId(m_slotRowId[k]) < 0)
            unloadSlot(k, false);
    }
}

void DownloadScheduler::housekeepingTick()
{
    DownloadListModel &list = m_session.list();
    const DownloadOptions &options = m_session.options();

    if (list.检测是否下载列表完毕()) {
        setStartEnabled(true);
        if (m_tickOn) {
            setTickOn(false);
            playIfPrompted(NotificationSound::ListFinished);
        }
    } else {
        setStartEnabled(!m_tickOn);
    }

    setIndicator(m_tickOn);

    if (options.method == DownloadMethod::SingleConnection) {
        if (!m_inet->isExecuting() && !m_tickOn)
            m_session.setTransferBusy(false);
    } else {
        const int n = std::clamp(options.threadCount, 1, kMaxSlots);
        for (int k = 1; k <= n; ++k) {
            if (slotLoaded(k))
                m_session.setTransferBusy(true);
        }
        if (!m_tickOn)
            m_session.setTransferBusy(false);
    }

    RefreshCounters();

    if (options.autoStart && list.统计未下载项数目() >= 1)
        setTickOn(true);

    if (options.autoRedownload && !m_tickOn) {
        if (options.autoRedownloadKind == 0 || options.autoRedownloadKind == 2) {
            if (redownloadFailedRows)
                redownloadFailedRows();
        }
        if (options.autoRedownloadKind == 1 || options.autoRedownloadKind == 2) {
            if (redownloadPageRows)
                redownloadPageRows();
        }
        setTickOn(true);
    }

    if (options.stopOnErrors && list.CountErrorAndPageRows() >= 5 && m_tickOn) {
        setTickOn(false);
        playIfPrompted(NotificationSound::ListFinished);
    }
}

bool DownloadScheduler::downloadStopped() const
{
    return CountSlotInstances() <= 1 && !m_inet->isExecuting() && !m_tickOn;
}

bool DownloadScheduler::isRunning() const
{
    return m_tickOn || m_session.transferBusy();
}

void DownloadScheduler::RefreshCounters()
{
    m_session.setStatusPanel(StatusPanel::Counters, m_session.list().counterText());
}

void DownloadScheduler::RedownloadReset(DownloadListModel &list, int row, bool pageCommand)
{
    list.resetForRedownload(row, pageCommand);
}

void DownloadScheduler::RedownloadFailedRows(DownloadListModel &list)
{
    for (int i = 0; i < list.count(); ++i) {
        if (list.at(i).state == RowState::Failed)
            list.resetForRedownload(i, false);
    }
}

void DownloadScheduler::RedownloadPageRows(DownloadListModel &list)
{
    for (int i = 0; i < list.count(); ++i) {
        const DownloadRow &row = list.at(i);
        if ((row.state == RowState::Done || row.state == RowState::Failed) && IsWebPageType(row.type))
            list.resetForRedownload(i, true);
    }
}
