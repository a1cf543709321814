#pragma once
// The owner of the program's windows: the cover window for the whole run,
// and the harvesting and download windows, each created when first wanted
// and again after it has closed. It connects them: the hand-over from the
// harvesting window to the download list, "打开下载窗口" and
// "资料检索分析窗口", and the passing back to the cover: a main window that
// closes shows the cover again unless the other main window is open.
// Closing the cover ends the program.
#include <QObject>
#include <QPointer>

#include <memory>

class fCover;
class fFileDownload;
class fWebSearch;

class AppShell final : public QObject
{
    Q_OBJECT
public:
    explicit AppShell(QObject *parent = nullptr);
    ~AppShell() override;

    fCover &cover() const { return *m_cover; }

    // The program's start: the cover's load step.
    void start();

    // "搜索文档下载" (and the download window's "资料检索分析窗口"): the
    // cover is hidden, not closed, and the harvesting window shown, created
    // when there is none.
    fWebSearch *openHarvestWindow();
    // The download window, created when there is none; not shown.
    fFileDownload *loadDownloadWindow();
    // 显示下载窗口(前置窗口), as the harvesting window asks for it: only while
    // the download window is loaded, its list redrawn, shown when hidden
    // and, with 前置窗口, restored from minimised.
    void 显示下载窗口(bool 前置窗口);

    bool harvestWindowOpen() const;
    bool downloadWindowOpen() const;

signals:
    // The cover was closed: the program ends.
    void quitRequested();

private:
    void wire(fWebSearch *window);
    void wire(fFileDownload *window);

    std::unique_ptr<fCover> m_cover;
    QPointer<fWebSearch> m_harvest;
    QPointer<fFileDownload> m_download;
};
