#pragma once
// The state that the download window's scheduler and its event handlers
// share: the list, the options the user ticked, the status-bar panels,
// LastFinishTime, TransferBusy, the network access and the hook for the
// automatic sign-in. The window (or the command-line tool) owns one and shows
// what it reports; the engines never see it, nor a widget.
#include "download/core/SaveNames.h"

#include <QObject>
#include <QString>
#include <functional>

class DownloadListModel;
class QNetworkAccessManager;

// How rows are fetched: one at a time over the single connection, or by up
// to six parallel slots. The numbers are the stored setting's values.
enum class DownloadMethod { SingleConnection = 1, Slots = 2 };

// The four panels of the download window's status bar.
enum class StatusPanel {
    First = 1,       // the download window: why the last row failed
    Transfer = 2,    // "正在下载:" / "完成下载:" and a row's name, paths and addresses
    EngineState = 3, // the single connection's state text, the sign-in page's title
    Counters = 4,    // the list's counters
};

struct DownloadOptions
{
    DownloadMethod method = DownloadMethod::Slots;
    int threadCount = 3;       // 1..6, method 2
    int intervalSeconds = 0;   // 0..600 between the end of one download and the next start
    DuplicateMode duplicateMode = DuplicateMode::Rename;
    double maxFileSizeMB = 10; // megabytes of 1024*1024 bytes
    bool proxyEnabled = false;
    QString proxyUrl;          // host
    QString proxyPort;         // decimal text
    bool soundPrompt = false;  // "声音提示"
    bool autoLocate = false;   // "自动定位到下载项"
    bool stopOnErrors = false; // "有5个以上下载出错或者网页文件，就停止下载"
    bool autoStart = false;    // "当有待下载项时，自动启动下载"
    bool autoRedownload = false; // "自动重新下载："
    int autoRedownloadKind = 0;  // 0 出错项, 1 HTM/HTML 项, 2 both
    bool autoLogin = false;    // "自动登录" of the sign-in panel
};

class DownloadSession final : public QObject
{
    Q_OBJECT
public:
    DownloadSession(DownloadListModel *list, QNetworkAccessManager *network, QObject *parent = nullptr);

    DownloadListModel &list() const { return *m_list; }
    QNetworkAccessManager &network() const { return *m_network; }
    DownloadOptions &options() { return m_options; }
    const DownloadOptions &options() const { return m_options; }

    // Seconds on the program clock when the last download ended, failed or
    // was skipped as too big.
    double lastFinishTime() const { return m_lastFinishTime; }
    void markFinished();

    bool transferBusy() const { return m_transferBusy; }
    void setTransferBusy(bool busy) { m_transferBusy = busy; }

    void setStatusPanel(StatusPanel panel, const QString &text);
    QString statusPanel(StatusPanel panel) const;

    // Asks the view to bring a row into sight when "自动定位到下载项" is ticked.
    void locateRow(int index);

    // What counts as a web page that came instead of the document at the end
    // of a download: the slots count "htm" and "html", the single connection
    // "xml" as well.
    enum class PageRule { HtmOrHtml, WithXml };
    // The end of a download, the same for both methods: "完成下载:" and the
    // row's name in the transfer panel, the end time, the web-page sound and
    // the failure sound when sounds are on, and the automatic sign-in after a
    // web page. Nothing happens for a row index that is not listed.
    // pageKeptOut: the page came while the save file held a document, and
    // the document was kept.
    void endRow(int index, PageRule pageRule, bool pageKeptOut = false);
    // The automatic sign-in after a download, when "自动登录" is ticked: for
    // a row whose type is a web page by the rule, or whose page was kept out
    // of an existing document (SiteLoginAfterDownload).
    void startSiteLoginAfterDownload(int index, PageRule pageRule, bool pageKeptOut);

    // The automatic sign-in; empty until the sign-in panel installs it.
    std::function<void(bool showMessages)> siteLogin;
    void runSiteLogin(bool showMessages);

signals:
    // panel: int(StatusPanel), 1 to 4.
    void statusPanelChanged(int panel, const QString &text);
    void locateRowRequested(int index);

private:
    DownloadListModel *m_list;
    QNetworkAccessManager *m_network;
    DownloadOptions m_options;
    double m_lastFinishTime = 0;
    bool m_transferBusy = false;
    QString m_panels[5];
};
