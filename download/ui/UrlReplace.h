#pragma once
// The dialog "网址批量替换" of the download window's "批量替换网址" entry:
// two texts, "替换" and "取消". The replacement itself and its messages are
// DownloadListCommands::replaceInAddresses; this window only collects the
// texts, stays open when the search text is empty and closes otherwise.
#include <QDialog>
#include <QPointer>

#include "download/commands/DownloadListCommands.h"

class QLineEdit;
class QPushButton;

class UrlReplace final : public QDialog
{
    Q_OBJECT
public:
    explicit UrlReplace(DownloadListCommands &commands, QWidget *parent = nullptr);

    // Opens a window-modal dialog that deletes itself when closed; returns at
    // once (no nested event loop).
    static UrlReplace *showFor(DownloadListCommands &commands, QWidget *parent);

    QLineEdit *text1() const { return m_text1; }
    QLineEdit *text2() const { return m_text2; }

    // "替换" (Command1).
    void Command1_Click();

private:
    QPointer<DownloadListCommands> m_commands;
    QLineEdit *m_text1;
    QLineEdit *m_text2;
    QPushButton *m_command1;
    QPushButton *m_command2;
};
