#include "harvest/flow/MultiPageHarvest.h"

#include "download/core/DownloadSettings.h"
#include "harvest/flow/HarvestFlags.h"
#include "harvest/flow/HarvestPage.h"
#include "harvest/flow/PageHarvester.h"
#include "platform/Clock.h"

#include <QPointer>

MultiPageHarvest::MultiPageHarvest(PageHarvester &harvester, QObject *parent)
    : QObject(parent)
    , m_harvester(harvester)
    , m_page(harvester.page())
    , m_flags(harvester.flags())
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (Step step = m_next) {
            m_next = nullptr;
            (this->*step)();
        }
    });
    connect(&m_page, &HarvestPage::loadStarted, this, [this] { m_loadStartedSinceClick = true; });
    connect(&m_page, &HarvestPage::topLevelLoadFinished, this, [this] {
        m_loadStartedSinceClick = true;
        m_flags.pageLoading = false;
        if (m_next == &MultiPageHarvest::loadWaitTest)
            m_timer.start(0); // look again now rather than at the next poll
    });
}

void MultiPageHarvest::buttonClicked()
{
    if (m_running)
        requestStop();
    else
        start();
}

void MultiPageHarvest::start()
{
    if (m_running)
        return;
    m_running = true;
    setFace(Face::Running);
    m_flags.addAllStop = false;
    if (DownloadSettings::instance().promptSaveFolderOnExtract() == 1 && askSaveFolder) {
        QPointer<MultiPageHarvest> self(this);
        askSaveFolder([self](const SaveFolderChoice &) {
            if (self)
                self->beginRun();
        });
        return;
    }
    beginRun();
}

void MultiPageHarvest::requestStop()
{
    if (!m_running)
        return;
    m_flags.addAllStop = true;
    setFace(Face::Stopping);
    if (m_next)
        m_timer.start(0); // a waiting step notices the flag at once
}

QString MultiPageHarvest::runFolder() const
{
    const DownloadSettings &settings = DownloadSettings::instance();
    return settings.promptSaveFolderOnExtract() == 1 ? settings.defaultSaveFolder() : QString();
}

bool MultiPageHarvest::browserBusy() const
{
    if (m_page.isLoading())
        return true;
    return !m_loadStartedSinceClick && Clock::instance().msecs() - m_clickTime < kNavigationStartGraceMs;
}

bool MultiPageHarvest::stopOrBlocked() const
{
    return m_flags.addAllStop || m_flags.accessBlocked;
}

void MultiPageHarvest::setFace(Face face)
{
    if (m_face == face)
        return;
    m_face = face;
    emit faceChanged(face);
}

void MultiPageHarvest::after(int ms, Step step)
{
    m_next = step;
    m_timer.start(ms);
}

void MultiPageHarvest::beginRun()
{
    m_flags.accessBlocked = false;
    after(0, &MultiPageHarvest::loopTop);
}

void MultiPageHarvest::loopTop()
{
    if (stopOrBlocked()) {
        finalAdd();
        return;
    }
    下一页();
}

void MultiPageHarvest::下一页()
{
    QPointer<MultiPageHarvest> self(this);
    m_harvester.AddThisPage(runFolder(), [self] {
        if (!self)
            return;
        // A stop pressed, or the verification page seen, while the page was
        // being read ends the run here: no further page is requested.
        if (self->stopOrBlocked()) {
            self->nextPageDone(false);
            return;
        }
        self->clickLink();
    });
}

void MultiPageHarvest::clickLink()
{
    m_clickTime = Clock::instance().msecs();
    m_loadStartedSinceClick = false;
    m_flags.pageLoading = true;
    QPointer<MultiPageHarvest> self(this);
    m_page.clickNextPage([self](bool clicked) {
        if (!self)
            return;
        if (!clicked) {
            self->m_flags.pageLoading = false;
            self->nextPageDone(false);
            return;
        }
        self->after(0, &MultiPageHarvest::loadWait);
    });
}

void MultiPageHarvest::loadWait()
{
    if (!(browserBusy() && m_flags.pageLoading)) {
        // The page is in: the delay counts from now, not from the click.
        m_delayStart = Clock::instance().msecs();
        after(0, &MultiPageHarvest::delayTest);
        return;
    }
    after(kPollMs, &MultiPageHarvest::loadWaitTest);
}

void MultiPageHarvest::loadWaitTest()
{
    const qint64 waited = Clock::instance().msecs() - m_clickTime;
    if (waited > qint64(kLoadTimeoutSeconds) * 1000 || stopOrBlocked()) {
        nextPageDone(false);
        return;
    }
    loadWait();
}

void MultiPageHarvest::delayTest()
{
    const int delay = delaySeconds ? delaySeconds() : 0;
    if (delay < 0) {
        nextPageDone(false);
        return;
    }
    if (Clock::instance().msecs() - m_delayStart >= qint64(delay) * 1000) {
        nextPageDone(true);
        return;
    }
    if (stopOrBlocked()) {
        nextPageDone(false);
        return;
    }
    after(kPollMs, &MultiPageHarvest::delayTest);
}

void MultiPageHarvest::nextPageDone(bool result)
{
    if (!result) {
        finalAdd();
        return;
    }
    QPointer<MultiPageHarvest> self(this);
    m_harvester.AddThisPage(runFolder(), [self] {
        if (self)
            self->after(0, &MultiPageHarvest::loopTop);
    });
}

void MultiPageHarvest::finalAdd()
{
    QPointer<MultiPageHarvest> self(this);
    m_harvester.AddThisPage(runFolder(), [self] {
        if (!self)
            return;
        self->m_flags.addAllStop = true;
        self->m_running = false;
        self->setFace(Face::Idle);
        emit self->finished();
    });
}
