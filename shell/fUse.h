#pragma once
// The usage notes "使用说明": a read-only text that walks the user through
// harvesting and downloading, and "关闭". Opened modally from the harvesting
// window's "使用方法".
#include <QDialog>

class QPlainTextEdit;

class fUse final : public QDialog
{
    Q_OBJECT
public:
    explicit fUse(QWidget *parent = nullptr);

    // Opens a new window modally without blocking; it deletes itself when it
    // closes.
    static fUse *showModal(QWidget *owner);

    // The text the window shows.
    static QString usageText();

    QPlainTextEdit *text() const { return m_text1; }

private:
    QPlainTextEdit *m_text1;
};
