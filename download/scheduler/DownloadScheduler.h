#pragma once
// Turns waiting rows of the download list into downloads. The download window
// and litharvest-cli both drive one of these: it owns the two one-second
// ticks (the scheduler tick Timer_Down starts downloads while downloading is
// on, the housekeeping tick Timer1 runs from creation on), the
// single-connection engine of method 1 and up to six slot downloaders of
// method 2. Both kinds speak the one engine contract (DownloadEngine); the
// scheduler alone writes what their reports mean into the rows, the status
// panels and the sounds, each method by its own rules, and ends every row in
// one place (endTransfer, then DownloadSession::endRow). Slots and the single
// connection hold their rows by id, so a row that moved is still found; the
// transfer of a row that went is abandoned. Windows only wire its signals to
// their controls.
//
// Both tick functions are public so that tests call them under a ManualClock;
// setManualTicks(true) keeps the real timers from firing behind their back.
#include "download/engines/DownloadEngine.h"
#include "platform/SoundPlayer.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <functional>

class DownloadListModel;
class DownloadSession;
class InetDownloader;

class DownloadScheduler final : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxSlots = 6;

    explicit DownloadScheduler(DownloadSession &session, QObject *parent = nullptr);
    ~DownloadScheduler() override;

    DownloadSession &session() const { return m_session; }
    // The single connection of method 1: an InetDownloader unless replaced.
    DownloadEngine &inet() const { return *m_inet; }
    // The real one, or null when a test put another engine in its place.
    InetDownloader *inetDownloader() const;
    // Puts another engine in the single connection's place (the scheduler
    // owns it from now on); for tests.
    void setSingleConnection(DownloadEngine *engine);

    // Tests call the tick functions themselves; true stops both timers for
    // good (the tick states still switch on and off as usual).
    void setManualTicks(bool manual);
    // Where the slots' engines come from; SlotDownloader unless replaced.
    void setEngineFactory(DownloadEngineFactory factory);

    // "开始下载": switches the scheduler tick on.
    void start();
    // The scheduler tick on and its first round run now rather than a second
    // later (litharvest-cli: nothing has ended yet that the interval could
    // separate from a start).
    void startAtOnce();
    // Nothing is left to fetch: every row is Done or Failed, no slot is
    // loaded and the single connection is idle, whether or not the tick has
    // noticed yet.
    bool allRowsEnded() const;
    // "停止下载": the stop procedure.
    void stop();
    // "切换": toggles the method between 1 and 2; the thread count becomes 1.
    void switchMethod();

    // Starts waiting rows once the interval since the last end has passed.
    void schedulerTick();
    // Buttons, the running indicator, TransferBusy, the counters, and the
    // automatic start, re-download and error-stop rules.
    void housekeepingTick();

    bool 确定是需要下载(int li);
    void 多线程下载(int Index, int 序号, const QString &网址, const QString &保存文件路径);
    void Inet下载当前文件(int li);

    // Busy slots plus one (the count the running checks compare with 1).
    int CountSlotInstances() const;
    bool slotLoaded(int k) const; // slot k (1..6) is fetching
    DownloadEngine *slotInstance(int k) const;
    // The current position of the row slot k (0..11; 1 is also the single
    // connection's) works on, or -1 when it has none or the row has gone.
    int slotRow(int k) const;

    // A slot's reports in the slot's own terms, slot number first (what its
    // engine reports comes the same way). Slot 0 and rows that no longer
    // exist are ignored.
    void onDownloadProgress(int Index, qint64 CurBytes, qint64 MaxBytes, const QString &SaveFile);
    void onDownloadComplete(int Index, qint64 CurBytes, qint64 MaxBytes, const QString &SaveFile);
    void onDownloadError(int Index, const QString &MissCode, const QString &SaveFile);

    bool schedulerTickOn() const { return m_tickOn; }
    bool startEnabled() const { return m_startEnabled; }
    bool runningIndicator() const { return m_indicator; }
    // The list commands' download-stopped test: no slot busy, the
    // single-connection engine idle, the scheduler tick off.
    bool downloadStopped() const;
    // The running state: scheduler tick on or TransferBusy.
    bool isRunning() const;

    // Fourth status-bar panel := the list's counters.
    void RefreshCounters();

    // The commands the automatic re-download runs: "出错项" and
    // "网页类型文件(HTM/HTML/xml)项" of "重新下载". They start out as the
    // built-in resets below; the window's list commands may replace them.
    std::function<void()> redownloadFailedRows;
    std::function<void()> redownloadPageRows;

    // DownloadListModel::resetForRedownload (every type to "xxx" for the
    // web-page command).
    static void RedownloadReset(DownloadListModel &list, int row, bool pageCommand);
    // Every Failed row.
    static void RedownloadFailedRows(DownloadListModel &list);
    // Every Done or Failed row of type htm, html or xml.
    static void RedownloadPageRows(DownloadListModel &list);

signals:
    void schedulerTickChanged(bool on);
    void startEnabledChanged(bool enabled);
    void runningIndicatorChanged(bool visible);
    void methodChanged(int method, int threadCount);
    // The stop procedure unticked "当有待下载项时，自动启动下载" and "自动重新下载：".
    void automaticOptionsCleared();
    // A row ended Failed, with a few words on why ("disk full", "HTTP status
    // 404", "time-out", ...).
    void rowFailed(quint64 rowId, const QString &reason);
    // A transfer of either method ended and its row has been written.
    void transferEnded(quint64 rowId, const TransferResult &result);

private:
    void setTickOn(bool on);
    void setStartEnabled(bool enabled);
    void setIndicator(bool visible);
    void startMethod1();
    void startMethod2();
    void unloadSlot(int k, bool now);
    int rowOfSlot(int Index) const;
    void writeSizes(int row, qint64 CurBytes, qint64 MaxBytes);
    void onSlotProgress(int Index, qint64 received, qint64 total);
    void onInetReceiving(quint64 rowId, qint64 total, bool counted);
    void onInetProgress(quint64 rowId, qint64 received, qint64 total);
    // The end of a transfer: slot Index (1..6) or the single connection (0).
    void endTransfer(int Index, quint64 rowId, const TransferResult &result);
    // Writes the end into the row by method 1's rules; true when it ended Done.
    bool writeSingleConnectionEnd(int row, const TransferResult &result);
    void dropTransfersOfGoneRows();
    void playIfPrompted(NotificationSound sound) const;

    DownloadSession &m_session;
    DownloadEngine *m_inet = nullptr;
    QTimer m_timerDown; // the scheduler tick
    QTimer m_timer1;    // the housekeeping tick
    bool m_manualTicks = false;
    bool m_tickOn = false;
    bool m_startEnabled = true;
    bool m_indicator = false;
    DownloadEngineFactory m_engineFactory;
    std::array<DownloadEngine *, kMaxSlots + 1> m_slots{}; // [0] stays empty
    std::array<quint64, 12> m_slotRowId;                    // the row id per slot; 0 = none
    quint64 m_inetRowId = 0;                                // the single connection's row
};
