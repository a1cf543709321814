#pragma once
// What the sign-in needs from the sign-in panel's browser: go to an address,
// reload, the busy state, the completion of the top-level document, and the
// form work on the shown document (read its INPUT elements, fill and click
// them, click an element by id). The panel gives WebLoginPage over its
// QWebEnginePage; tests give a scripted page. The browser answers
// asynchronously, so the form work answers through callbacks.
#include "download/signin/SignInRules.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class LoginPage : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void open(const QString &address) = 0;
    virtual void reload() = 0;
    // The browser is loading a page.
    virtual bool isBusy() const = 0;

    // The INPUT elements of the shown document in document order; nothing
    // when there is no document to read.
    virtual void readInputs(std::function<void(std::optional<QList<PageInput>> inputs)> done) = 0;
    // Sets the walk's fields to the account or the password and clicks its
    // submit button, if any; clicked tells whether a click happened.
    virtual void applyWalk(const InputWalk &walk, const QString &account, const QString &password,
                           std::function<void(bool clicked)> done) = 0;
    // Clicks the document's element with this id; false when there is none.
    virtual void clickElement(const QString &id, std::function<void(bool clicked)> done) = 0;

signals:
    // The top-level document completed; frames completing do not count.
    void topLevelLoadFinished();
};
