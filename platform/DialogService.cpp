#include "platform/DialogService.h"

#include "platform/SettingsStore.h"

#include <cstdio>

namespace {
DialogService *g_service = nullptr;
}

DialogService &DialogService::instance()
{
    static HeadlessDialogs headless;
    return g_service ? *g_service : headless;
}

void DialogService::setInstance(DialogService *service)
{
    g_service = service;
}

void ShowInformation(const QString &text)
{
    DialogService::instance().message(text, MessageIcon::Information, SettingsStore::applicationTitle());
}

void ShowError(const QString &text)
{
    DialogService::instance().message(text, MessageIcon::Error, SettingsStore::applicationTitle());
}

void ShowWarning(const QString &text)
{
    DialogService::instance().message(text, MessageIcon::Warning, SettingsStore::applicationTitle());
}

bool AskYesNo(const QString &text)
{
    return DialogService::instance().message(text, MessageIcon::Question, SettingsStore::applicationTitle())
        == MessageAnswer::Yes;
}

bool AskYesNoPlain(const QString &text)
{
    return DialogService::instance().message(text, MessageIcon::PlainQuestion, SettingsStore::applicationTitle())
        == MessageAnswer::Yes;
}

std::optional<QString> AskInput(const QString &prompt, const QString &title, const QString &defaultText)
{
    return DialogService::instance().input(prompt, title.isEmpty() ? SettingsStore::applicationTitle() : title,
                                           defaultText);
}

MessageAnswer HeadlessDialogs::message(const QString &text, MessageIcon icon, const QString &)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    return AsksYesNo(icon) ? MessageAnswer::No : MessageAnswer::Ok;
}

std::optional<QString> HeadlessDialogs::input(const QString &, const QString &, const QString &)
{
    return std::nullopt;
}

std::optional<QString> HeadlessDialogs::saveFile(const FileDialogRequest &)
{
    return std::nullopt;
}

std::optional<QString> HeadlessDialogs::openFile(const FileDialogRequest &)
{
    return std::nullopt;
}

std::optional<QString> HeadlessDialogs::pickFolder(const QString &, const QString &)
{
    return std::nullopt;
}
