#include "download/signin/LoginScripts.h"

#include <QJsonDocument>
#include <QJsonValue>
#include <QVariantList>
#include <QVariantMap>

QString ScriptArgument(const QVariant &value)
{
    // Wrapped in an array so that plain strings and numbers encode too.
    const QJsonDocument doc = QJsonDocument::fromVariant(QVariantList{value});
    QString json = QString::fromUtf8(doc.toJson(QJsonDocument::Compact));
    json = json.mid(1, json.size() - 2);
    json.replace(QChar(0x2028), QStringLiteral("\\u2028"));
    json.replace(QChar(0x2029), QStringLiteral("\\u2029"));
    return json;
}

QString ReadInputsScript()
{
    return QStringLiteral(R"JS((function () {
  var inputs = document.getElementsByTagName("INPUT");
  var out = [];
  for (var i = 0; i < inputs.length; ++i)
    out.push([String(inputs[i].getAttribute("name") || ""), String(inputs[i].getAttribute("type") || "")]);
  return out;
})())JS");
}

std::optional<QList<PageInput>> InputsFromScriptResult(const QVariant &result)
{
    if (result.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QList<PageInput> inputs;
    for (const QVariant &entry : result.toList()) {
        const QVariantList pair = entry.toList();
        inputs.append({pair.value(0).toString(), pair.value(1).toString()});
    }
    return inputs;
}

QString ApplyWalkScript(const InputWalk &walk, const QList<PageInput> &inputs, const QString &account,
                        const QString &password)
{
    QVariantList fills;
    for (const InputWalk::Fill &fill : walk.fills) {
        fills.append(QVariantMap{
            {QStringLiteral("index"), fill.index},
            {QStringLiteral("name"), inputs.value(fill.index).name},
            {QStringLiteral("value"), fill.value == InputWalk::Value::Account ? account : password}});
    }
    QVariantMap submit;
    if (walk.submitIndex >= 0) {
        submit = {{QStringLiteral("index"), walk.submitIndex},
                  {QStringLiteral("name"), inputs.value(walk.submitIndex).name}};
    }
    return QStringLiteral(R"JS((function (fills, submit) {
  var inputs = document.getElementsByTagName("INPUT");
  function same(entry) {
    var element = inputs[entry.index];
    return element && String(element.getAttribute("name") || "") === entry.name ? element : null;
  }
  for (var i = 0; i < fills.length; ++i) {
    var field = same(fills[i]);
    if (field) field.value = fills[i].value;
  }
  if (submit === null) return false;
  var button = same(submit);
  if (!button) return false;
  button.click();
  return true;
})(%1, %2))JS")
        .arg(ScriptArgument(fills), walk.submitIndex >= 0 ? ScriptArgument(submit) : QStringLiteral("null"));
}

QString ClickElementScript(const QString &id)
{
    return QStringLiteral(R"JS((function (id) {
  var element = document.getElementById(id);
  if (!element) return false;
  element.click();
  return true;
})(%1))JS")
        .arg(ScriptArgument(id));
}
