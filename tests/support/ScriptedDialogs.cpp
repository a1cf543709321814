#include "tests/support/ScriptedDialogs.h"

std::optional<QString> ScriptedDialogs::take(std::deque<Scripted> &queue)
{
    if (queue.empty())
        return std::nullopt;
    const Scripted v = queue.front();
    queue.pop_front();
    if (!v.given)
        return std::nullopt;
    return v.text;
}

ScriptedDialogs::ScriptedDialogs()
{
    DialogService::setInstance(this);
}

ScriptedDialogs::~ScriptedDialogs()
{
    DialogService::setInstance(nullptr);
}

QStringList ScriptedDialogs::messages() const
{
    QStringList out;
    for (const Shown &s : m_shown)
        if (s.kind == Kind::Message)
            out << s.text;
    return out;
}

QString ScriptedDialogs::lastMessage() const
{
    const QStringList all = messages();
    return all.isEmpty() ? QString() : all.last();
}

void ScriptedDialogs::clear()
{
    m_shown.clear();
}

MessageAnswer ScriptedDialogs::message(const QString &text, MessageIcon icon, const QString &title)
{
    m_shown.append({Kind::Message, text, icon, title, QString()});
    if (!AsksYesNo(icon))
        return MessageAnswer::Ok;
    if (m_answers.empty())
        return MessageAnswer::No;
    const MessageAnswer a = m_answers.front();
    m_answers.pop_front();
    return a;
}

std::optional<QString> ScriptedDialogs::input(const QString &prompt, const QString &title, const QString &defaultText)
{
    m_shown.append({Kind::Input, prompt, MessageIcon::Question, title, defaultText});
    return take(m_inputs);
}

std::optional<QString> ScriptedDialogs::saveFile(const FileDialogRequest &request)
{
    m_shown.append({Kind::SaveFile, request.title, MessageIcon::Question, request.title, request.filter});
    return take(m_saves);
}

std::optional<QString> ScriptedDialogs::openFile(const FileDialogRequest &request)
{
    m_shown.append({Kind::OpenFile, request.title, MessageIcon::Question, request.title, request.filter});
    return take(m_opens);
}

std::optional<QString> ScriptedDialogs::pickFolder(const QString &title, const QString &startFolder)
{
    m_shown.append({Kind::Folder, title, MessageIcon::Question, title, startFolder});
    return take(m_folders);
}
