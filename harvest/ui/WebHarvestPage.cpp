#include "harvest/ui/WebHarvestPage.h"

#include <QWebEnginePage>
#include <QWebEngineScript>

WebHarvestPage::WebHarvestPage(QWebEnginePage *page, QObject *parent)
    : HarvestPage(parent)
    , m_page(page)
{
    connect(page, &QWebEnginePage::loadStarted, this, &HarvestPage::loadStarted);
    connect(page, &QWebEnginePage::loadFinished, this, &HarvestPage::topLevelLoadFinished);
}

QString WebHarvestPage::address() const
{
    return m_page ? m_page->url().toString() : QString();
}

void WebHarvestPage::fetchMarkup(std::function<void(const QString &markup)> done)
{
    if (!m_page) {
        done(QString());
        return;
    }
    m_page->toHtml([done = std::move(done)](const QString &markup) { done(markup); });
}

QString WebHarvestPage::nextPageScript()
{
    // Trimming takes spaces (U+0020) only, as everywhere in the program.
    return QStringLiteral(R"JS((function () {
  var pager = document.getElementById("page");
  if (!pager) return false;
  var links = pager.getElementsByTagName("a");
  for (var i = 0; i < links.length; ++i) {
    var text = String(links[i].innerText || "").replace(/^ +| +$/g, "").toLowerCase();
    if (text === "下一页") { links[i].click(); return true; }
  }
  return false;
})())JS");
}

void WebHarvestPage::clickNextPage(std::function<void(bool clicked)> done)
{
    if (!m_page) {
        done(false);
        return;
    }
    m_page->runJavaScript(nextPageScript(), QWebEngineScript::ApplicationWorld,
                          [done = std::move(done)](const QVariant &result) { done(result.toBool()); });
}

bool WebHarvestPage::isLoading() const
{
    return m_page && m_page->isLoading();
}
