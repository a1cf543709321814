#pragma once
// The page scripts of the sign-in, run in the shown document. Values (the
// account, the password, element positions and ids) are passed to the script
// as JSON arguments, never written into its program text, so no value can
// change what the script does.
#include "download/signin/SignInRules.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

// Answers [[name, type], ...] for the document's INPUT elements in order.
QString ReadInputsScript();
// The inputs of ReadInputsScript's answer; nothing when the answer is not a
// list (no document, or the script failed).
std::optional<QList<PageInput>> InputsFromScriptResult(const QVariant &result);

// Fills the walk's fields and clicks its submit button; answers true when it
// clicked. An element whose name no longer matches is left alone (the
// document changed in between).
QString ApplyWalkScript(const InputWalk &walk, const QList<PageInput> &inputs, const QString &account,
                        const QString &password);

// Clicks the element with the id; answers true when it existed.
QString ClickElementScript(const QString &id);

// A value as a JavaScript expression (JSON text, with the two line separators
// that older engines do not accept in string literals escaped).
QString ScriptArgument(const QVariant &value);
