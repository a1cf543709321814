#include "shell/AppShell.h"

#include "download/ui/fFileDownload.h"
#include "harvest/ui/fWebSearch.h"
#include "platform/web/BrowserProfile.h"
#include "shell/fCover.h"
#include "shell/fUse.h"
#include "tools/ui/fIEcache.h"

#include <QTreeView>

AppShell::AppShell(QObject *parent)
    : QObject(parent)
    , m_cover(std::make_unique<fCover>())
{
    connect(m_cover.get(), &fCover::searchRequested, this, &AppShell::openHarvestWindow);
    connect(m_cover.get(), &fCover::closed, this, &AppShell::quitRequested);
    fWebSearch::usageNotesOpener() = [](QWidget *owner) { fUse::showModal(owner); };
    // The cache viewer behind "查看IE浏览器缓存", and its clean-up behind both
    // windows' "清空IE浏览器缓存" and the harvesting window's 10-minute timer.
    fWebSearch::cacheViewerOpener() = [](QWidget *owner) { fIEcache::showModal(owner); };
    SetBrowserCacheClearing(ClearBrowserCache);
}

AppShell::~AppShell()
{
    fWebSearch::usageNotesOpener() = nullptr;
    fWebSearch::cacheViewerOpener() = nullptr;
    SetBrowserCacheClearing(nullptr);
    delete fIEcache::instance(false);
    // The program is ending: the main windows go without their closing steps.
    delete m_harvest.data();
    delete m_download.data();
}

void AppShell::start()
{
    m_cover->load();
}

bool AppShell::harvestWindowOpen() const
{
    return fWebSearch::instance(false) != nullptr;
}

bool AppShell::downloadWindowOpen() const
{
    return fFileDownload::instance(false) != nullptr;
}

fWebSearch *AppShell::openHarvestWindow()
{
    fWebSearch *window = fWebSearch::instance(true);
    wire(window);
    m_cover->hide();
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

fFileDownload *AppShell::loadDownloadWindow()
{
    fFileDownload *window = fFileDownload::instance(true);
    wire(window);
    return window;
}

void AppShell::显示下载窗口(bool 前置窗口)
{
    fFileDownload *window = fFileDownload::instance(false);
    if (!window)
        return;
    window->listView()->viewport()->update();
    if (window->isHidden())
        window->show();
    if (前置窗口 && window->isMinimized())
        window->showNormal();
}

void AppShell::wire(fWebSearch *window)
{
    if (m_harvest == window)
        return;
    m_harvest = window;
    window->setWindowIcon(m_cover->windowIcon());
    // The first hand-over loads the download window.
    window->downloadList = [this] { return &loadDownloadWindow()->listModel(); };
    window->showDownloadWindow = [this](bool 前置窗口) { 显示下载窗口(前置窗口); };
    connect(window, &fWebSearch::downloadWindowRequested, this, [this] {
        loadDownloadWindow();
        fFileDownload::显示下载窗口();
    });
    connect(window, &fWebSearch::closed, this, [this] {
        if (!downloadWindowOpen())
            m_cover->show();
    });
}

void AppShell::wire(fFileDownload *window)
{
    if (m_download == window)
        return;
    m_download = window;
    window->setWindowIcon(m_cover->windowIcon());
    connect(window, &fFileDownload::harvestWindowRequested, this, &AppShell::openHarvestWindow);
    connect(window, &fFileDownload::browserCacheClearRequested, this, [] { RunBrowserCacheClearing(true); });
    connect(window, &fFileDownload::closed, this, [this] {
        if (!harvestWindowOpen())
            m_cover->show();
    });
}
