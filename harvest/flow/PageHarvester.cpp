#include "harvest/flow/PageHarvester.h"

#include "harvest/core/AnalysisListModel.h"
#include "harvest/core/ResultPageParser.h"
#include "harvest/flow/HarvestFlags.h"
#include "harvest/flow/HarvestPage.h"

#include <QPointer>

PageHarvester::PageHarvester(AnalysisListModel &list, HarvestPage &page, HarvestFlags &flags, QObject *parent)
    : QObject(parent)
    , m_list(list)
    , m_page(page)
    , m_flags(flags)
{
}

void PageHarvester::AddThisPage(const QString &保存路径, std::function<void()> done)
{
    const QString address = m_page.address();
    QPointer<PageHarvester> self(this);
    m_page.fetchMarkup([self, address, 保存路径, done = std::move(done)](const QString &markup) {
        if (!self)
            return;
        const bool spaces = self->removeSpaces ? self->removeSpaces() : true;
        const ResultPageAdded added
            = AddResultPage(self->m_list, markup, address, self->m_portalBase, spaces, 保存路径);
        if (added.accessBlocked)
            self->m_flags.accessBlocked = true;
        if (added.tooDeep)
            emit self->pageTooDeep();
        emit self->pageAdded(self->m_list.count());
        if (done)
            done();
    });
}
