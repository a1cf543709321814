#pragma once
// The save-folder chooser "选择下载保存路径": the harvesting window asks it for
// the folder the handed-over documents go to and whether files keep the
// source's name. It shows the recent folders of "SaveList.dat", stores an
// accepted folder as the default save folder, adds it to the recent list and
// gives its answer (SaveFolderChoice) to the window that opened it.
#include "download/core/DownloadSettings.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QRadioButton;

class fSeleFileSavePath final : public QDialog
{
    Q_OBJECT
public:
    explicit fSeleFileSavePath(QWidget *parent = nullptr);

    // Opens a new chooser modally without blocking; `done` runs with the
    // answer when it has closed. It deletes itself.
    static fSeleFileSavePath *showModal(QWidget *owner,
                                        std::function<void(const SaveFolderChoice &choice)> done = {});

    // The answer so far: cancelled until 确定 has accepted a folder, and
    // again after 取消 or the close box.
    const SaveFolderChoice &choice() const { return m_choice; }

    // The recent list keeps at most this many folders.
    static constexpr int kMaxRecentFolders = 100;

    void Command1_Click(); // "..."
    void Command2_Click(); // "确定"
    void Command3_Click(); // "取消"

protected:
    void reject() override; // the close box and Esc count as 取消

private:
    QComboBox *m_combo1;
    QRadioButton *m_option1;
    QRadioButton *m_option2;
    SaveFolderChoice m_choice;
};
