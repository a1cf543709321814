#include "download/core/DownloadSession.h"

#include "platform/Clock.h"

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

void DownloadSession::setStatusPanel(int panel, const QString &text)
{
    if (panel < 1 || panel > 4)
        return;
    if (m_panels[panel] == text)
        return;
    m_panels[panel] = text;
    emit statusPanelChanged(panel, text);
}

QString DownloadSession::statusPanel(int panel) const
{
    return (panel >= 1 && panel <= 4) ? m_panels[panel] : QString();
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
