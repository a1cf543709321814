#pragma once
// Result-page extraction: turns the markup of a portal result page into
// analysis-list items (title, computed download address, referring page).
// The harvesting window feeds it the live page's markup; litharvest-cli
// harvest feeds it a saved or fetched page. Nothing here touches the network
// or a browser, so the same rules serve both and the tests.
#include "harvest/core/AnalysisItem.h"

#include <QString>
#include <QVector>

class AnalysisListModel;

// The portal's notice that it wants a verification because it was accessed
// too often; a page that carries it is never harvested.
QString AccessBlockedNotice();

struct ResultPage
{
    // In page order, with stype "pdf", ref = the page address, 保存路径,
    // 网站类型 and status empty. Repeats of one address are kept: the list
    // decides what a duplicate means.
    QVector<AnalysisItem> items;
    bool accessBlocked = false; // the verification notice is on the page; no items then
    bool tooDeep = false;       // the page nests deeper than kMaxElementNesting; no items then
};

// Extracts the results of one page. portalBase is the portal's root address
// with its trailing "/"; it is put in front of every document path.
// removeSpaces is the window's "删除标题中的空格": it takes out every
// U+0020 and U+3000 (the full-width form of the space) from the titles.
ResultPage ParseResultPage(const QString &markup, const QString &pageAddress, const QString &portalBase,
                           bool removeSpaces);

struct ResultPageAdded
{
    int handed = 0;             // items offered to 加入LV1, duplicates included
    bool accessBlocked = false; // as ResultPage::accessBlocked
    bool tooDeep = false;       // as ResultPage::tooDeep
};

// ParseResultPage, then 加入LV1 for every item with the given save folder:
// what the window's AddThisPage and the command-line harvester do with a page.
ResultPageAdded AddResultPage(AnalysisListModel &list, const QString &markup, const QString &pageAddress,
                              const QString &portalBase, bool removeSpaces, const QString &保存路径);
