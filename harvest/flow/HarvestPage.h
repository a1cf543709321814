#pragma once
// What the harvesting operations need from the browser pane: the shown
// document's address and current markup, the click on the portal's next-page
// link, the busy state and the completion of the top-level document. The
// window gives WebHarvestPage (over its QWebEnginePage); tests give a
// scripted page. Markup and clicks answer through callbacks, never by
// waiting, because the browser answers asynchronously.
#include <QObject>
#include <QString>

#include <functional>

class HarvestPage : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The address of the document on show.
    virtual QString address() const = 0;
    // The markup of the whole document as it is now (after its scripts ran).
    virtual void fetchMarkup(std::function<void(const QString &markup)> done) = 0;
    // Clicks the first link inside the element with id "page" whose text,
    // trimmed of spaces and lower-cased, is "下一页"; done(false) when the
    // element or such a link is missing.
    virtual void clickNextPage(std::function<void(bool clicked)> done) = 0;
    // The browser is loading a page.
    virtual bool isLoading() const = 0;

signals:
    void loadStarted();
    // The top-level document completed; frames completing do not count.
    void topLevelLoadFinished(bool ok);
};
