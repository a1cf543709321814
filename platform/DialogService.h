#pragma once
// The one seam through which the program shows modal dialogs: message boxes,
// input boxes, file and folder pickers. Windows and routines call the
// free functions below; the running program installs the Qt implementation,
// tests install ScriptedDialogs, and without either the headless fallback
// writes messages to standard error and cancels every question.
#include <QString>
#include <optional>

// PlainQuestion: a question with Yes/No buttons and no icon.
enum class MessageIcon { Information, Error, Question, Warning, PlainQuestion };
enum class MessageAnswer { Ok, Yes, No };

// The icons whose boxes ask Yes or No.
inline bool AsksYesNo(MessageIcon icon)
{
    return icon == MessageIcon::Question || icon == MessageIcon::PlainQuestion;
}

struct FileDialogRequest
{
    QString title;
    QString filter;      // e.g. "文本文件 (*.txt)"
    QString defaultExt;  // without the dot, e.g. "txt"
    QString initialPath; // folder or file the dialog starts at
    bool askOverwrite = true; // save dialogs: ask before replacing a file
};

class DialogService
{
public:
    virtual ~DialogService() = default;

    // Questions (AsksYesNo) get Yes/No buttons and answer Yes or No; others
    // answer Ok.
    virtual MessageAnswer message(const QString &text, MessageIcon icon, const QString &title) = 0;
    // The text typed, or nothing when the box was cancelled.
    virtual std::optional<QString> input(const QString &prompt, const QString &title, const QString &defaultText) = 0;
    virtual std::optional<QString> saveFile(const FileDialogRequest &request) = 0;
    virtual std::optional<QString> openFile(const FileDialogRequest &request) = 0;
    virtual std::optional<QString> pickFolder(const QString &title, const QString &startFolder) = 0;

    static DialogService &instance();
    // Install a service (not owned); nullptr restores the headless fallback.
    static void setInstance(DialogService *service);
};

// Shorthands with the application title as the box title.
void ShowInformation(const QString &text);
void ShowError(const QString &text);
void ShowWarning(const QString &text);
bool AskYesNo(const QString &text);
// The same question without an icon.
bool AskYesNoPlain(const QString &text);
std::optional<QString> AskInput(const QString &prompt, const QString &title = QString(),
                                const QString &defaultText = QString());

// Used when no user interface is installed (the command-line tools).
class HeadlessDialogs final : public DialogService
{
public:
    MessageAnswer message(const QString &text, MessageIcon icon, const QString &title) override;
    std::optional<QString> input(const QString &prompt, const QString &title, const QString &defaultText) override;
    std::optional<QString> saveFile(const FileDialogRequest &request) override;
    std::optional<QString> openFile(const FileDialogRequest &request) override;
    std::optional<QString> pickFolder(const QString &title, const QString &startFolder) override;
};
