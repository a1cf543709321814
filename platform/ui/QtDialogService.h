#pragma once
// The dialog service of the running program: Qt's message boxes, input
// dialogs and file and folder pickers, parented to the active window.
#include "platform/DialogService.h"

class QtDialogService final : public DialogService
{
public:
    MessageAnswer message(const QString &text, MessageIcon icon, const QString &title) override;
    std::optional<QString> input(const QString &prompt, const QString &title, const QString &defaultText) override;
    std::optional<QString> saveFile(const FileDialogRequest &request) override;
    std::optional<QString> openFile(const FileDialogRequest &request) override;
    std::optional<QString> pickFolder(const QString &title, const QString &startFolder) override;
};
