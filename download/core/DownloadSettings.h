#pragma once
// The settings of the download manager: the values kept in the settings store
// between runs and the ones that only live while the program runs. The
// download window, its options dialog and save-folder chooser, the harvesting
// window and the cover window all go through this one class; nothing else
// reads or writes these keys.
//
// Each persistent value has an in-memory getter and setter and a load/store
// pair. Loading and storing are separate on purpose: the callers decide when
// a value reaches the store (the method switch changes the method for this
// run only; the window's close request stores it), so a setter never writes.
//
// The options dialog tells the open windows about what it stored through the
// signals below; it knows no window.
#include <QObject>
#include <QString>

struct DownloadOptions;

// The save-folder chooser's answer to the window that opened it.
struct SaveFolderChoice
{
    bool cancelled = true;
    QString folder;                  // accepted: the folder, ending in "/"
    bool keepSourceFileName = false; // accepted: "原文件名" was chosen
};

class DownloadSettings final : public QObject
{
    Q_OBJECT
public:
    // The values of the running program.
    static DownloadSettings &instance();

    // Back to the state of a freshly started program (tests).
    void reset();

    // Defaults on read, the one place they are defined.
    static constexpr int kDefaultDownloadMethod = 2;
    static constexpr int kDefaultThreadCountIndex = 2;
    static QString defaultDuplicateNamePolicy();   // "重命名"
    static constexpr double kDefaultMaxFileSizeMB = 10;
    static constexpr int kDefaultPromptSaveFolderOnExtract = 1;
    static QString defaultSaveFolderOnRead();      // home folder + "/12345/"

    // "设置"/"下载方式": 1 single connection, 2 slots; a stored text other
    // than "1" reads as 2, the method every other value falls through to.
    int downloadMethod() const { return m_downloadMethod; }
    void setDownloadMethod(int method);
    // The options dialog chose the method: set, then downloadMethodChosen.
    void chooseDownloadMethod(int method);
    void loadDownloadMethod();
    void storeDownloadMethod() const;

    // "下载"/"线程": index 0..5 into the thread counts "1".."6". Only the
    // store holds it; the window's thread-count box is the in-memory value.
    // A stored text that is not an index 0..5 reads as 0 (one slot).
    static int readThreadCountIndex();
    static void storeThreadCountIndex(int index);

    // "专利下载"/"重复文件名设置": "跳过", "覆盖" or "重命名".
    QString duplicateNamePolicy() const { return m_duplicateNamePolicy; }
    void setDuplicateNamePolicy(const QString &policy) { m_duplicateNamePolicy = policy; }
    void loadDuplicateNamePolicy();
    void storeDuplicateNamePolicy() const;

    // "设置"/"代理服务器有效", "代理服务器网址", "代理服务器端口".
    int proxyEnabled() const { return m_proxyEnabled; }
    void setProxyEnabled(int enabled) { m_proxyEnabled = enabled ? 1 : 0; }
    void loadProxyEnabled();
    void storeProxyEnabled() const;
    QString proxyUrl() const { return m_proxyUrl; }
    void setProxyUrl(const QString &url);
    void loadProxyUrl();
    void storeProxyUrl() const;
    QString proxyPort() const { return m_proxyPort; }
    void setProxyPort(const QString &port);
    void loadProxyPort();
    void storeProxyPort() const;

    // "设置"/"文件最大值", megabytes of 1024 * 1024 bytes.
    double maxFileSizeMB() const { return m_maxFileSizeMB; }
    void setMaxFileSizeMB(double mb) { m_maxFileSizeMB = float(mb); }
    void loadMaxFileSizeMB();
    void storeMaxFileSizeMB() const;

    // "设置"/"提取网页信息时提示下载保存路径": 1 ask for the folder while
    // extracting result pages, 0 ask before the hand-over.
    int promptSaveFolderOnExtract() const { return m_promptSaveFolderOnExtract; }
    void setPromptSaveFolderOnExtract(int prompt) { m_promptSaveFolderOnExtract = prompt ? 1 : 0; }
    void loadPromptSaveFolderOnExtract();
    void storePromptSaveFolderOnExtract() const;

    // "设置"/"下载文件保存路径". Empty until the save-folder chooser first
    // opens (it loads the stored value each time); the dialogs store it with
    // a trailing "/".
    QString defaultSaveFolder() const { return m_defaultSaveFolder; }
    void setDefaultSaveFolder(const QString &folder) { m_defaultSaveFolder = folder; }
    void loadDefaultSaveFolder();
    void storeDefaultSaveFolder() const;
    // Stores a folder under that key without touching the in-memory value
    // (the save-folder chooser on 确定).
    static void storeDefaultSaveFolder(const QString &folder);

    // Not stored: the chooser's last file-name choice ("原文件名" = true).
    bool keepSourceFileName() const { return m_keepSourceFileName; }
    void setKeepSourceFileName(bool keep) { m_keepSourceFileName = keep; }
    // An accepted choice of the save-folder chooser becomes DefaultSaveFolder
    // and KeepSourceFileName of this run; a cancelled one changes nothing.
    void takeSaveFolderChoice(const SaveFolderChoice &choice);

    // What the download window reads when it loads: the method, the
    // duplicate-name policy, the proxy and the maximum size.
    void loadForDownloadWindow();
    // The options dialog shows the values of this run; a value no window has
    // read from the store yet (the dialog opened from the harvesting window
    // before the download window, or the other way round) is read first, so
    // that 确定 never stores a built-in default over the user's setting.
    void loadForOptionsDialog();

    // Copies the stored-setting part (method, duplicate policy, maximum size,
    // proxy) into the options the engines read. Thread count, interval and
    // the ticked boxes come from the window's controls.
    void fillOptions(DownloadOptions &options) const;

    // Emits changed(): the options dialog has stored its values.
    void announceChanges();

signals:
    // Values were stored by the options dialog; windows take them over.
    void changed();
    // The options dialog chose this download method.
    void downloadMethodChosen(int method);

private:
    DownloadSettings() = default;

    int m_downloadMethod = kDefaultDownloadMethod;
    QString m_duplicateNamePolicy = defaultDuplicateNamePolicy();
    int m_proxyEnabled = 0;
    QString m_proxyUrl;
    QString m_proxyPort;
    float m_maxFileSizeMB = float(kDefaultMaxFileSizeMB);
    int m_promptSaveFolderOnExtract = kDefaultPromptSaveFolderOnExtract;
    QString m_defaultSaveFolder;
    bool m_keepSourceFileName = false;
    // Whether this run has read the download window's values and the
    // extraction prompt from the store.
    bool m_downloadValuesLoaded = false;
    bool m_promptLoaded = false;
};

// A decimal number, spaces around it allowed: "10", "1.5", " 3128". The
// dialogs' checks of typed numbers use it.
bool IsNumericText(const QString &text);

// A size in megabytes as plain decimal text, as short as reads back the same
// value ("10", "25.5", "1234567.9"): how "文件最大值" is stored and shown.
QString PlainDecimalText(float value);
