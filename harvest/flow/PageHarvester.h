#pragma once
// AddThisPage of the harvesting window: takes the shown page's current
// markup from the browser pane and adds its results to the analysis list
// (ParseResultPage and 加入LV1 of the extraction helper). "加入本页到列表"
// and every step of the add-all run harvest through here. A page that
// carries the portal's verification notice sets the access-blocked flag; one
// nested too deep to be read adds nothing and says so (pageTooDeep).
#include <QObject>
#include <QString>

#include <functional>

class AnalysisListModel;
class HarvestPage;
struct HarvestFlags;

class PageHarvester final : public QObject
{
    Q_OBJECT
public:
    PageHarvester(AnalysisListModel &list, HarvestPage &page, HarvestFlags &flags, QObject *parent = nullptr);

    // The portal base address (root address with a trailing "/") put in
    // front of every document path.
    void setPortalBase(const QString &base) { m_portalBase = base; }
    QString portalBase() const { return m_portalBase; }

    // The check box "删除标题中的空格"; on while unset.
    std::function<bool()> removeSpaces;

    AnalysisListModel &list() const { return m_list; }
    HarvestPage &page() const { return m_page; }
    HarvestFlags &flags() const { return m_flags; }

    // Harvests the page on show with the save folder; done runs once its items
    // are in the list (right after pageAdded). The page's address is the one
    // it had when the markup was asked for.
    void AddThisPage(const QString &保存路径, std::function<void()> done = {});

signals:
    // After every AddThisPage, duplicates or not: the count label's number.
    void pageAdded(int itemCount);
    // The page nests its elements deeper than the parser reads and added
    // nothing; comes just before its pageAdded.
    void pageTooDeep();

private:
    AnalysisListModel &m_list;
    HarvestPage &m_page;
    HarvestFlags &m_flags;
    QString m_portalBase;
};
