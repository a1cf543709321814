#pragma once
// The copy/move tool "复制文件..." / "移动文件...": copies, or moves, a list of
// files into one destination folder, deciding file by file what happens when
// the name is already taken there. The cache viewer opens it with the files
// of its selected rows. It remembers its destination and policy under
// "Form_Copy_Move" and shares the recent-folder list "SaveList.dat" with the
// save-folder chooser. The run itself is a CopyMoveRun on the event loop.
#include "tools/core/CopyMoveRules.h"

#include <QDialog>
#include <QPointer>
#include <QStringList>

class CopyMoveRun;
class QButtonGroup;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

class Form_Copy_Move final : public QDialog
{
    Q_OBJECT
public:
    explicit Form_Copy_Move(bool isMove, QWidget *parent = nullptr);
    ~Form_Copy_Move() override;

    // Opens a new tool modally without blocking, with the source files and,
    // when given, its own caption; it deletes itself when closed.
    static Form_Copy_Move *showModal(QWidget *owner, const QStringList &files, bool isMove,
                                     const QString &caption = QString());

    static QString settingsSection() { return QStringLiteral("Form_Copy_Move"); }

    bool IsMove() const { return m_isMove; }
    QStringList &Files() { return m_files; }
    CollisionPolicy OpIndex() const { return m_opIndex; }
    bool isRunning() const;

    // "开始" / "停止": the run, or the stop request of a run that is going.
    void 执行(bool showMessage);
    void Command3_Click(); // "浏览"

    // Bytes the run copies per event-loop turn (for tests of big files).
    void setChunkBytes(qint64 bytes) { m_chunkBytes = bytes; }

signals:
    // A run has ended (ran through or stopped).
    void runFinished();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void runEnded(bool showMessage);

    bool m_isMove;
    QStringList m_files;
    CollisionPolicy m_opIndex = kDefaultCollisionPolicy;
    qint64 m_chunkBytes = 1 << 20;
    QPointer<CopyMoveRun> m_run;

    QComboBox *m_combo1;
    QButtonGroup *m_options;
    QLabel *m_label3; // the current file
    QProgressBar *m_progressBar1;
    QPushButton *m_command1; // "开始" / "停止"
};
