#pragma once
// A dialog service for tests: records every dialog shown and answers from a
// script, so that no test ever blocks on a modal box. Answers are consumed in
// order per kind; with none scripted a question is answered No and every
// input or picker is cancelled.
#include "platform/DialogService.h"

#include <QList>
#include <QStringList>
#include <deque>

class ScriptedDialogs final : public DialogService
{
public:
    enum class Kind { Message, Input, SaveFile, OpenFile, Folder };
    struct Shown
    {
        Kind kind;
        QString text;   // message text, input prompt, picker title
        MessageIcon icon = MessageIcon::Information;
        QString title;
        QString extra;  // input default, file filter, folder start
    };

    // Installs itself as the program's dialog service for its lifetime.
    ScriptedDialogs();
    ~ScriptedDialogs() override;

    void answerYes() { m_answers.push_back(MessageAnswer::Yes); }
    void answerNo() { m_answers.push_back(MessageAnswer::No); }
    // Pass nothing (std::nullopt) to script a cancelled box.
    void answerInput(const std::optional<QString> &text) { m_inputs.push_back(Scripted::of(text)); }
    void answerSaveFile(const std::optional<QString> &path) { m_saves.push_back(Scripted::of(path)); }
    void answerOpenFile(const std::optional<QString> &path) { m_opens.push_back(Scripted::of(path)); }
    void answerFolder(const std::optional<QString> &path) { m_folders.push_back(Scripted::of(path)); }

    const QList<Shown> &shown() const { return m_shown; }
    // The texts of the message boxes shown, in order.
    QStringList messages() const;
    QString lastMessage() const;
    void clear();

    MessageAnswer message(const QString &text, MessageIcon icon, const QString &title) override;
    std::optional<QString> input(const QString &prompt, const QString &title, const QString &defaultText) override;
    std::optional<QString> saveFile(const FileDialogRequest &request) override;
    std::optional<QString> openFile(const FileDialogRequest &request) override;
    std::optional<QString> pickFolder(const QString &title, const QString &startFolder) override;

private:
    struct Scripted
    {
        bool given = false;
        QString text;
        static Scripted of(const std::optional<QString> &v) { return {v.has_value(), v.value_or(QString())}; }
    };
    static std::optional<QString> take(std::deque<Scripted> &queue);

    QList<Shown> m_shown;
    std::deque<MessageAnswer> m_answers;
    std::deque<Scripted> m_inputs, m_saves, m_opens, m_folders;
};
