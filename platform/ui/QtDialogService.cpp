#include "platform/ui/QtDialogService.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace {
QWidget *parentWidget()
{
    return QApplication::activeWindow();
}

void prepare(QFileDialog &dialog, const FileDialogRequest &request)
{
    dialog.setWindowTitle(request.title);
    if (!request.filter.isEmpty())
        dialog.setNameFilter(request.filter);
    if (!request.defaultExt.isEmpty())
        dialog.setDefaultSuffix(request.defaultExt);
    if (!request.initialPath.isEmpty())
        dialog.selectFile(request.initialPath);
}
} // namespace

MessageAnswer QtDialogService::message(const QString &text, MessageIcon icon, const QString &title)
{
    switch (icon) {
    case MessageIcon::Question:
        return QMessageBox::question(parentWidget(), title, text, QMessageBox::Yes | QMessageBox::No)
                == QMessageBox::Yes
            ? MessageAnswer::Yes
            : MessageAnswer::No;
    case MessageIcon::PlainQuestion: {
        QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No, parentWidget());
        return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    case MessageIcon::Error:
        QMessageBox::critical(parentWidget(), title, text);
        break;
    case MessageIcon::Warning:
        QMessageBox::warning(parentWidget(), title, text);
        break;
    case MessageIcon::Information:
        QMessageBox::information(parentWidget(), title, text);
        break;
    }
    return MessageAnswer::Ok;
}

std::optional<QString> QtDialogService::input(const QString &prompt, const QString &title, const QString &defaultText)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parentWidget(), title, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<QString> QtDialogService::saveFile(const FileDialogRequest &request)
{
    QFileDialog dialog(parentWidget());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!request.askOverwrite)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    prepare(dialog, request);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtDialogService::openFile(const FileDialogRequest &request)
{
    QFileDialog dialog(parentWidget());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    prepare(dialog, request);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtDialogService::pickFolder(const QString &title, const QString &startFolder)
{
    const QString dir = QFileDialog::getExistingDirectory(parentWidget(), title, startFolder);
    if (dir.isEmpty())
        return std::nullopt;
    return dir;
}
