#pragma once
// The cover window the program starts with: the picture, the version, the
// notice and the buttons "搜索文档下载" and "退出软件". Its load step shows the
// window and then runs the start-up steps from the event loop while
// "正在加载组件，请稍候..." is on screen; "搜索文档下载" is usable once they
// have run. The window stays for the whole run, hidden while a main window is
// open; closing it ends the program.
#include <QUrl>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class StartupSequence;
class VersionCheck;

class fCover final : public QWidget
{
    Q_OBJECT
public:
    // The picture sits this far from the left and top edges; the window is
    // this much wider than the picture.
    static constexpr int kPictureMarginTwips = 30;
    static constexpr int kExtraWidthTwips = 150;

    explicit fCover(QWidget *parent = nullptr);
    ~fCover() override;

    // The load step: caption, version label, the window shown, then the
    // start-up steps one per turn of the event loop.
    void load();

    StartupSequence &startup() const { return *m_startup; }
    VersionCheck &versionCheck() const { return *m_check; }
    // What the browser-emulation step asked for (10001); nothing is written.
    std::optional<quint32> browserEmulationValue() const { return m_emulation; }

    // Opens an address in the user's web browser (QDesktopServices unless
    // replaced, as tests do).
    std::function<void(const QUrl &address)> openInBrowser;

    QLabel *picture() const { return m_image1; }
    QLabel *versionLabel() const { return m_label1; }
    QLabel *loadingLabel() const { return m_label2; }
    QLabel *noticeLabel() const { return m_label3; }
    QLabel *newestVersionLabel() const { return m_label4; }
    QPushButton *searchButton() const { return m_command1; }
    QPushButton *exitButton() const { return m_command2; }

signals:
    // "搜索文档下载".
    void searchRequested();
    // The window was closed (close box or "退出软件"): the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void addStartupSteps();
    void showNewerVersion(const QString &version);
    void openDownloadPage();

    QLabel *m_image1;
    QWidget *m_controls;
    QLabel *m_label1;
    QLabel *m_label2;
    QLabel *m_label3;
    QLabel *m_label4;
    QPushButton *m_command1;
    QPushButton *m_command2;
    StartupSequence *m_startup;
    VersionCheck *m_check;
    std::optional<quint32> m_emulation;
};
