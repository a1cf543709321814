#pragma once
// The save-folder chooser "选择下载保存路径": the harvesting window asks it for
// the folder the handed-over documents go to and whether files keep the
// source's name. It shows the recent folders of "SaveList.dat", leaves its
// answer in DownloadSettings (DefaultSaveFolder, KeepSourceFileName,
// SaveFolderCancelled) and adds an accepted folder to the recent list.
#include <QDialog>
#include <functional>

class QComboBox;
class QRadioButton;

class fSeleFileSavePath final : public QDialog
{
    Q_OBJECT
public:
    explicit fSeleFileSavePath(QWidget *parent = nullptr);

    // Opens a new chooser modally without blocking; `done` runs when it has
    // closed (read SaveFolderCancelled then). It deletes itself.
    static fSeleFileSavePath *showModal(QWidget *owner, std::function<void()> done = {});

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
};
