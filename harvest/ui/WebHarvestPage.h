#pragma once
// HarvestPage over the browser pane's QWebEnginePage: the live document's
// markup through toHtml, the next-page click through a script in the
// application's own script world (the page's scripts cannot interfere with
// it), the engine's loading state, and the top-level load signals (the engine
// reports frame loads only as part of the top-level page).
#include "harvest/flow/HarvestPage.h"

#include <QPointer>

class QWebEnginePage;

class WebHarvestPage final : public HarvestPage
{
    Q_OBJECT
public:
    explicit WebHarvestPage(QWebEnginePage *page, QObject *parent = nullptr);

    QString address() const override;
    void fetchMarkup(std::function<void(const QString &markup)> done) override;
    void clickNextPage(std::function<void(bool clicked)> done) override;
    bool isLoading() const override;

    // The script clickNextPage runs; it answers true when it clicked.
    static QString nextPageScript();

private:
    QPointer<QWebEnginePage> m_page;
};
