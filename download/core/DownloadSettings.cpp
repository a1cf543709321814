#include "download/core/DownloadSettings.h"

#include "common/TextCodec.h"
#include "download/core/DownloadSession.h"
#include "platform/SettingsStore.h"

#include <QDir>

#include <charconv>

namespace {

// Sections and keys, exactly as the store has always held them.
const QString kSectionSettings = QStringLiteral("设置");
const QString kSectionDownload = QStringLiteral("下载");
const QString kSectionPatent = QStringLiteral("专利下载");
const QString kKeyMethod = QStringLiteral("下载方式");
const QString kKeyThreads = QStringLiteral("线程");
const QString kKeyDuplicate = QStringLiteral("重复文件名设置");
const QString kKeyProxyUrl = QStringLiteral("代理服务器网址");
const QString kKeyProxyPort = QStringLiteral("代理服务器端口");
const QString kKeyProxyEnabled = QStringLiteral("代理服务器有效");
const QString kKeyMaxSize = QStringLiteral("文件最大值");
const QString kKeyPrompt = QStringLiteral("提取网页信息时提示下载保存路径");
const QString kKeySaveFolder = QStringLiteral("下载文件保存路径");

QString read(const QString &section, const QString &key, const QString &defaultValue)
{
    return SettingsStore::instance().read(section, key, defaultValue);
}

void write(const QString &section, const QString &key, const QString &value)
{
    SettingsStore::instance().write(section, key, value);
}

// "0"/"1" flags: a stored text that is not a whole number counts as 0, any
// other number as itself (only 0 and 1 are ever written).
int readFlag(const QString &section, const QString &key, int defaultValue)
{
    bool ok = false;
    const int v = TrimSpaces(read(section, key, QString::number(defaultValue))).toInt(&ok);
    return ok && v != 0 ? 1 : 0;
}

} // namespace

bool IsNumericText(const QString &text)
{
    const QString t = TrimSpaces(text);
    if (t.isEmpty())
        return false;
    bool ok = false;
    t.toDouble(&ok);
    return ok;
}

DownloadSettings &DownloadSettings::instance()
{
    static DownloadSettings settings;
    return settings;
}

void DownloadSettings::reset()
{
    m_downloadMethod = kDefaultDownloadMethod;
    m_duplicateNamePolicy = defaultDuplicateNamePolicy();
    m_proxyEnabled = 0;
    m_proxyUrl.clear();
    m_proxyPort.clear();
    m_maxFileSizeMB = float(kDefaultMaxFileSizeMB);
    m_promptSaveFolderOnExtract = kDefaultPromptSaveFolderOnExtract;
    m_defaultSaveFolder.clear();
    m_keepSourceFileName = false;
    m_downloadValuesLoaded = false;
    m_promptLoaded = false;
}

void DownloadSettings::chooseDownloadMethod(int method)
{
    setDownloadMethod(method);
    emit downloadMethodChosen(m_downloadMethod);
}

void DownloadSettings::announceChanges()
{
    emit changed();
}

void DownloadSettings::takeSaveFolderChoice(const SaveFolderChoice &choice)
{
    if (choice.cancelled)
        return;
    m_defaultSaveFolder = choice.folder;
    m_keepSourceFileName = choice.keepSourceFileName;
}

QString DownloadSettings::defaultDuplicateNamePolicy()
{
    return DuplicateModeText(DuplicateMode::Rename);
}

QString DownloadSettings::defaultSaveFolderOnRead()
{
    return QDir::homePath() + QStringLiteral("/12345/");
}

void DownloadSettings::setDownloadMethod(int method)
{
    m_downloadMethod = method == 1 ? 1 : 2;
}

void DownloadSettings::loadDownloadMethod()
{
    setDownloadMethod(TrimSpaces(read(kSectionSettings, kKeyMethod, QString::number(kDefaultDownloadMethod))).toInt());
}

void DownloadSettings::storeDownloadMethod() const
{
    write(kSectionSettings, kKeyMethod, QString::number(m_downloadMethod));
}

int DownloadSettings::readThreadCountIndex()
{
    bool ok = false;
    const int index =
        TrimSpaces(read(kSectionDownload, kKeyThreads, QString::number(kDefaultThreadCountIndex))).toInt(&ok);
    return ok && index >= 0 && index <= 5 ? index : 0;
}

void DownloadSettings::storeThreadCountIndex(int index)
{
    write(kSectionDownload, kKeyThreads, QString::number(index));
}

void DownloadSettings::loadDuplicateNamePolicy()
{
    m_duplicateNamePolicy = read(kSectionPatent, kKeyDuplicate, defaultDuplicateNamePolicy());
}

void DownloadSettings::storeDuplicateNamePolicy() const
{
    write(kSectionPatent, kKeyDuplicate, m_duplicateNamePolicy);
}

void DownloadSettings::loadProxyEnabled()
{
    m_proxyEnabled = readFlag(kSectionSettings, kKeyProxyEnabled, 0);
}

void DownloadSettings::storeProxyEnabled() const
{
    write(kSectionSettings, kKeyProxyEnabled, QString::number(m_proxyEnabled));
}

void DownloadSettings::setProxyUrl(const QString &url)
{
    m_proxyUrl = TrimSpaces(url);
}

void DownloadSettings::loadProxyUrl()
{
    setProxyUrl(read(kSectionSettings, kKeyProxyUrl, QString()));
}

void DownloadSettings::storeProxyUrl() const
{
    write(kSectionSettings, kKeyProxyUrl, m_proxyUrl);
}

void DownloadSettings::setProxyPort(const QString &port)
{
    m_proxyPort = TrimSpaces(port);
}

void DownloadSettings::loadProxyPort()
{
    setProxyPort(read(kSectionSettings, kKeyProxyPort, QString()));
}

void DownloadSettings::storeProxyPort() const
{
    write(kSectionSettings, kKeyProxyPort, m_proxyPort);
}

void DownloadSettings::loadMaxFileSizeMB()
{
    // A stored text that is not a number would become 0 MB and turn every
    // download into "大文件，跳过"; the default is the sane reading of it.
    bool ok = false;
    const float mb = TrimSpaces(read(kSectionSettings, kKeyMaxSize, QStringLiteral("10"))).toFloat(&ok);
    m_maxFileSizeMB = ok ? mb : float(kDefaultMaxFileSizeMB);
}

QString PlainDecimalText(float value)
{
    // The shortest fixed-point text that reads back as the same float:
    // 1234567.9, never "1.23457e+06" with its lost digits.
    char buffer[64];
    const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (r.ec != std::errc())
        return QString::number(double(value), 'f', 6);
    return QString::fromLatin1(buffer, int(r.ptr - buffer));
}

void DownloadSettings::storeMaxFileSizeMB() const
{
    write(kSectionSettings, kKeyMaxSize, PlainDecimalText(m_maxFileSizeMB));
}

void DownloadSettings::loadPromptSaveFolderOnExtract()
{
    m_promptSaveFolderOnExtract = readFlag(kSectionSettings, kKeyPrompt, kDefaultPromptSaveFolderOnExtract);
    m_promptLoaded = true;
}

void DownloadSettings::storePromptSaveFolderOnExtract() const
{
    write(kSectionSettings, kKeyPrompt, QString::number(m_promptSaveFolderOnExtract));
}

void DownloadSettings::loadDefaultSaveFolder()
{
    m_defaultSaveFolder = read(kSectionSettings, kKeySaveFolder, defaultSaveFolderOnRead());
}

void DownloadSettings::storeDefaultSaveFolder() const
{
    storeDefaultSaveFolder(m_defaultSaveFolder);
}

void DownloadSettings::storeDefaultSaveFolder(const QString &folder)
{
    write(kSectionSettings, kKeySaveFolder, folder);
}

void DownloadSettings::loadForDownloadWindow()
{
    loadDownloadMethod();
    loadDuplicateNamePolicy();
    loadProxyUrl();
    loadProxyPort();
    loadProxyEnabled();
    loadMaxFileSizeMB();
    m_downloadValuesLoaded = true;
}

void DownloadSettings::loadForOptionsDialog()
{
    if (!m_downloadValuesLoaded)
        loadForDownloadWindow();
    if (!m_promptLoaded)
        loadPromptSaveFolderOnExtract();
    // Until the save-folder chooser has run, the in-memory folder is still
    // empty although a folder is stored; show the stored one rather than a
    // blank field that 确定 would refuse.
    if (m_defaultSaveFolder.isEmpty())
        loadDefaultSaveFolder();
}

void DownloadSettings::fillOptions(DownloadOptions &options) const
{
    options.method = m_downloadMethod == 1 ? DownloadMethod::SingleConnection : DownloadMethod::Slots;
    options.duplicateMode = DuplicateModeFromText(m_duplicateNamePolicy);
    options.maxFileSizeMB = double(m_maxFileSizeMB);
    options.proxyEnabled = m_proxyEnabled == 1;
    options.proxyUrl = m_proxyUrl;
    options.proxyPort = m_proxyPort;
}
