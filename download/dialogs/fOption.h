#pragma once
// The options dialog "设置" of the download window: download method, proxy,
// the prompt for the save folder while extracting, the largest file size and
// the default save folder. It shows the values of this run in DownloadSettings
// (read from the store first when no window has read them yet) and stores each value as soon as 确定 has read it, so a check that keeps the
// dialog open leaves the earlier values stored. The open windows learn of the
// stored values through DownloadSettings' signals.
#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class fOption final : public QDialog
{
    Q_OBJECT
public:
    explicit fOption(QWidget *parent = nullptr);

    // Opens a new dialog modally without blocking; it deletes itself when it
    // closes.
    static fOption *showModal(QWidget *owner);

    void Command1_Click(); // "确定"
    void Command2_Click(); // "关闭"
    void Command3_Click(); // "指定"

private:
    void loadValues();
    // The steps of 确定; false when a check keeps the dialog open.
    bool storeValues();

    QRadioButton *m_option1;
    QRadioButton *m_option2;
    QCheckBox *m_check1;
    QLineEdit *m_text6;
    QLineEdit *m_text8;
    QCheckBox *m_check2;
    QLineEdit *m_text1;
    QLineEdit *m_text2;
};
