#include "download/core/DownloadSession.h"

#include "download/core/DownloadListModel.h"
#include "download/signin/SignInRules.h"
#include "platform/Clock.h"
#include "platform/SoundPlayer.h"

DownloadSession::DownloadSession(DownloadListModel *list, QNetworkAccessManager *network, QObject *parent)
    : QObject(parent)
    , m_list(list)
    , m_network(network)
    , m_lastFinishTime(Clock::instance().seconds())
{
}

void DownloadSession::markFinished()
{
    m_lastFinishTime = Clock::instance().seconds();
}

void DownloadSession::setStatusPanel(StatusPanel panel, const QString &text)
{
    const int n = int(panel);
    if (n < 1 || n > 4 || m_panels[n] == text)
        return;
    m_panels[n] = text;
    emit statusPanelChanged(n, text);
}

QString DownloadSession::statusPanel(StatusPanel panel) const
{
    const int n = int(panel);
    return (n >= 1 && n <= 4) ? m_panels[n] : QString();
}

void DownloadSession::locateRow(int index)
{
    if (m_options.autoLocate)
        emit locateRowRequested(index);
}

void DownloadSession::runSiteLogin(bool showMessages)
{
    if (siteLogin)
        siteLogin(showMessages);
}

void DownloadSession::endRow(int index, PageRule pageRule, bool pageKeptOut)
{
    if (index < 0 || index >= m_list->count())
        return;
    const DownloadRow &row = m_list->at(index);
    setStatusPanel(StatusPanel::Transfer, QStringLiteral("完成下载:") + row.name);
    markFinished();
    const bool page = pageRule == PageRule::WithXml ? IsWebPageType(row.type) : IsHtmOrHtmlType(row.type);
    const bool failed = row.state == RowState::Failed;
    if (m_options.soundPrompt) {
        if (page)
            PlaySoundResource(NotificationSound::WebPage);
        if (failed)
            PlaySoundResource(NotificationSound::Failed);
    }
    startSiteLoginAfterDownload(index, pageRule, pageKeptOut);
}

void DownloadSession::startSiteLoginAfterDownload(int index, PageRule pageRule, bool pageKeptOut)
{
    if (!m_options.autoLogin || index < 0 || index >= m_list->count())
        return;
    const DownloadMethod method = pageRule == PageRule::WithXml ? DownloadMethod::SingleConnection
                                                                : DownloadMethod::Slots;
    // The automatic sign-in answers a page that came instead of the document.
    if (SiteLoginAfterDownload(int(method), m_list->at(index).type, pageKeptOut))
        runSiteLogin(false);
}
