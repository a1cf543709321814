#pragma once
// The add-all run of the harvesting window ("加入全部到列表" / "停止加入全部"):
// harvest the page on show, click the portal's next-page link, wait for the
// next page to load (60 seconds at most) and then the chosen delay, and
// repeat until there is no next page, the user stops, loading takes too long
// or the portal answers with its verification page. The last page reached is
// harvested once more at the end.
//
// Every wait is a step of this small state machine on the event loop (a
// timer, the page's load signals, the browser's callbacks), never a nested
// loop, so the user can browse, analyse, clear or stop meanwhile. Elapsed
// time comes from Clock, so tests move a ManualClock instead of waiting.
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class HarvestPage;
class PageHarvester;
struct HarvestFlags;
struct SaveFolderChoice;

class MultiPageHarvest final : public QObject
{
    Q_OBJECT
public:
    // The button's faces: "加入全部到列表" (normal colours), "停止加入全部" on
    // pure red, and the red face disabled while a stop is under way.
    enum class Face { Idle, Running, Stopping };
    Q_ENUM(Face)

    static constexpr int kLoadTimeoutSeconds = 60;
    // How often a waiting step looks at the clock and the flags.
    static constexpr int kPollMs = 50;
    // After the click, the browser counts as busy until it reports the load
    // start, for at most this long: the click only starts the navigation.
    static constexpr int kNavigationStartGraceMs = 5000;

    explicit MultiPageHarvest(PageHarvester &harvester, QObject *parent = nullptr);

    // The delay selector's value in seconds (0..120); a negative value makes
    // 下一页 fail. Zero while unset.
    std::function<int()> delaySeconds;
    // Shows the save-folder chooser modally and runs done when it has closed
    // (its answer is not consulted). Asked only when the prompt setting is 1.
    std::function<void(std::function<void(const SaveFolderChoice &choice)> done)> askSaveFolder;

    // The button: starts a run when idle, asks the running one to stop.
    void buttonClicked();
    void start();
    // Sets the add-all stop flag; the run winds down at its next test.
    void requestStop();

    bool isRunning() const { return m_running; }
    Face face() const { return m_face; }

signals:
    void faceChanged(MultiPageHarvest::Face face);
    // The run has ended and the button is idle again: fit the list's columns.
    void finished();

private:
    using Step = void (MultiPageHarvest::*)();

    QString runFolder() const;
    bool browserBusy() const;
    bool stopOrBlocked() const;
    void setFace(Face face);
    // Runs step after the events that are pending now (or after ms).
    void after(int ms, Step step);

    void beginRun();
    void loopTop();
    // 下一页: harvests, clicks and waits; ends in nextPageDone(result).
    void 下一页();
    void clickLink();
    void loadWait();
    void loadWaitTest();
    void delayTest();
    void nextPageDone(bool result);
    void finalAdd();

    PageHarvester &m_harvester;
    HarvestPage &m_page;
    HarvestFlags &m_flags;
    QTimer m_timer;
    Step m_next = nullptr;
    bool m_running = false;
    Face m_face = Face::Idle;
    qint64 m_clickTime = 0;
    qint64 m_delayStart = 0;
    bool m_loadStartedSinceClick = false;
};
