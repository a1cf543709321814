#pragma once
// The analysis passes of the harvesting window: "分析未分析项", "分析失败项",
// "分析选中项" and "分析全部" hand analysis-list items over to the download
// list in list order and mark them "成功"; the auto-analysis timer runs the
// first of them once a second. A pass yields to the event loop after every
// item (a timer step, never a nested loop), so the user can browse, harvest
// or press "停止" meanwhile; the analysis-running flag tells the clearing
// commands to refuse.
//
// The window supplies the widgets' part through the hooks: the hand-over to
// the download window's list, the save-folder chooser, the list selection and
// 显示下载窗口.
#include <QObject>
#include <QTimer>
#include <QVector>

#include <functional>

class AnalysisListModel;
struct AnalysisItem;
struct SaveFolderChoice;
struct HarvestFlags;

class AnalysisPass final : public QObject
{
    Q_OBJECT
public:
    // The pop-up menu "加入", in its order.
    enum class Command { Unanalysed, Failed, Selected, All };
    Q_ENUM(Command)
    static QString caption(Command command);

    static constexpr int kAutoIntervalMs = 1000;

    AnalysisPass(AnalysisListModel &list, HarvestFlags &flags, QObject *parent = nullptr);

    // 加入下载列表 with the item's fields; the first call loads the download
    // window. Nothing is handed over while unset.
    std::function<bool(const AnalysisItem &item)> handOver;
    // Shows the save-folder chooser modally and runs done with its answer
    // when it has closed; a cancelled answer ends the pass. Unset: counts as
    // accepted.
    std::function<void(std::function<void(const SaveFolderChoice &choice)> done)> askSaveFolder;
    // Whether the list row is selected (for "分析选中项").
    std::function<bool(int row)> isSelected;
    // 显示下载窗口(false), at the end of every pass.
    std::function<void()> showDownloadWindow;

    // The user's command: starts a pass, or, while a pass runs (the
    // auto-analysis pass or an earlier command), runs after it.
    void run(Command command);
    // A command of the user's is running or waiting to run.
    bool commandActive() const { return m_userPassRunning || !m_queued.isEmpty(); }
    // "停止": clears the analysis-running flag; the pass ends after the item
    // being handed over.
    void stop();
    bool isRunning() const { return m_running; }

    // The check box "自动分析未分析项" was ticked or unticked. Ticking asks for
    // the save folder unless the prompt setting is 1; a cancelled chooser
    // leaves the timer off. autoAnalysisChanged tells the box the outcome.
    void setAutoAnalysisWanted(bool ticked);
    bool autoAnalysisOn() const { return m_autoTimer.isActive(); }
    // One tick of the auto-analysis timer.
    void autoTick();

signals:
    // The progress panel "正在分析,请稍候..." with "停止".
    void progressVisibleChanged(bool visible);
    void autoAnalysisChanged(bool on);
    // A pass has ended (after 显示下载窗口), the auto-analysis pass included.
    void finished();
    // The user's last command has ended and none waits: "分析下载" is
    // enabled again.
    void commandFinished();

private:
    void startPass(Command command, bool userCommand);
    bool takes(int row) const;
    void decide();
    void nextItem();
    void endPass();

    AnalysisListModel &m_list;
    HarvestFlags &m_flags;
    QTimer m_autoTimer;
    bool m_running = false;
    bool m_userPassRunning = false;
    QVector<Command> m_queued;
    Command m_command = Command::All;
    int m_row = 0;
    int m_end = 0;
};
