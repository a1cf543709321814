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
    , m_inet(new InetDownloader(session, this))
    , m_engineFactory([](QNetworkAccessManager &network, QObject *parent) -> DownloadEngine * {
        return new SlotDownloader(network, parent);
    })
{
    m_slotRowId.fill(0);
    redownloadFailedRows = [this] { RedownloadFailedRows(m_session.list()); };
    redownloadPageRows = [this] { RedownloadPageRows(m_session.list()); };

    connect(m_inet, &InetDownloader::rowEnded, this, [this](quint64 id, bool pageKeptOut) {
        m_session.endRow(m_session.list().indexOfId(id), DownloadSession::PageRule::WithXml, pageKeptOut);
    });
    connect(m_inet, &InetDownloader::finished, this, &DownloadScheduler::onInetFinished);

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
        if (list.at(i).state == RowState::Downloading)
            list.setState(i, RowState::Failed);
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
        m_slotRowId[s] = list.idAt(taken);
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
    // A body without an announced total is held to the maximum size too.
    slot->setMaximumBytes(qint64(m_session.options().maxFileSizeMB * 1024.0 * 1024.0));
    connect(slot, &DownloadEngine::DownloadProgress, this,
            [this, Index](qint64 cur, qint64 max, const QString &file) { onDownloadProgress(Index, cur, max, file); });
    connect(slot, &DownloadEngine::DownloadComplete, this,
            [this, Index](qint64 cur, qint64 max, const QString &file) { onDownloadComplete(Index, cur, max, file); });
    connect(slot, &DownloadEngine::DownloadError, this,
            [this, Index](const QString &code, const QString &file) { onDownloadError(Index, code, file); });

    m_session.setTransferBusy(true);
    list.setState(序号, RowState::Downloading);
    m_session.locateRow(序号);
    list.clearTexts(序号);
    slot->BeginDownload(网址, 保存文件路径, list.at(序号).referrer);
}

void DownloadScheduler::Inet下载当前文件(int li)
{
    if (m_inet->isExecuting() || m_session.transferBusy()) {
        m_session.list().modify(li, [](DownloadRow &row) {
            row.state = RowState::Waiting;
            row.setSizeNote(RowNote::WaitingForRetry);
        });
        return;
    }
    m_session.setTransferBusy(true);
    m_inet->start(m_session.list().idAt(li));
}

void DownloadScheduler::onInetFinished(quint64, bool)
{
    m_session.setTransferBusy(false);
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
    slot->CancelAsyncRead();
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
    const int row = rowOfSlot(Index);
    if (row < 0)
        return;
    if (MaxBytes <= 0) {
        // A body without a total that passed the maximum: its size stays
        // unknown, what arrived is only what arrived.
        if (double(CurBytes) / 1024.0 / 1024.0 > m_session.options().maxFileSizeMB) {
            m_session.list().modify(row, [&](DownloadRow &r) {
                r.state = RowState::Done;
                r.setSizeNote(RowNote::UnknownSize);
                r.received = CurBytes;
                r.setProgressNote(RowNote::TooBig);
            });
            m_session.markFinished();
            unloadSlot(Index, false);
        }
        return;
    }
    if (MaxBytes < CurBytes)
        return;
    writeSizes(row, CurBytes, MaxBytes);
    if (double(MaxBytes) / 1024.0 / 1024.0 > m_session.options().maxFileSizeMB) {
        m_session.list().modify(row, [](DownloadRow &r) {
            r.state = RowState::Done;
            r.setProgressNote(RowNote::TooBig);
        });
        m_session.markFinished();
        unloadSlot(Index, false);
    }
}

void DownloadScheduler::onDownloadComplete(int Index, qint64 CurBytes, qint64 MaxBytes, const QString &)
{
    const int row = rowOfSlot(Index);
    if (row < 0)
        return;
    DownloadListModel &list = m_session.list();
    if (MaxBytes > 0 && MaxBytes >= CurBytes)
        writeSizes(row, CurBytes, MaxBytes);
    list.setState(row, list.at(row).complete() ? RowState::Done : RowState::Failed);
    unloadSlot(Index, false);
    CorrectRowFileType(list, row);
    m_session.endRow(row, DownloadSession::PageRule::HtmOrHtml);
}

void DownloadScheduler::onDownloadError(int Index, const QString &, const QString &)
{
    const int row = rowOfSlot(Index);
    if (row < 0)
        return;
    // Every byte may have arrived before the file could not be kept; a
    // failed row never says "100%".
    m_session.list().modify(row, [](DownloadRow &r) {
        if (r.percent >= 100)
            r.percent = -1;
    });
    const DownloadEngine *engine = slotInstance(Index);
    const bool pageKeptOut = engine && engine->pageKeptOut();
    m_session.list().setState(row, RowState::Failed);
    unloadSlot(Index, false);
    // A sign-in page kept out of an existing document still asks for the
    // automatic sign-in.
    if (pageKeptOut)
        m_session.startSiteLoginAfterDownload(row, DownloadSession::PageRule::HtmOrHtml, true);
    m_session.markFinished();
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
