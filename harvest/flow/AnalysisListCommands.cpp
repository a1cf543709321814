#include "harvest/flow/AnalysisListCommands.h"

#include "common/TextCodec.h"
#include "harvest/core/AnalysisListModel.h"
#include "harvest/flow/HarvestFlags.h"
#include "platform/DialogService.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>

namespace {
// Folds what a text comparison treats as equal: the full-width forms of
// U+0021..U+007E and the ideographic space, then letter case.
QString foldForMatch(const QString &text)
{
    QString folded = text;
    for (QChar &c : folded) {
        const char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E)
            c = QChar(char16_t(u - 0xFEE0));
        else if (u == 0x3000)
            c = QChar(u' ');
    }
    return folded.toCaseFolded();
}
} // namespace

bool TitleContains(const QString &title, const QString &needle)
{
    return foldForMatch(title).contains(foldForMatch(needle));
}

QString FormatKilobytes(qint64 bytes)
{
    static const QLocale grouped(QLocale::English, QLocale::UnitedStates);
    return grouped.toString(double(bytes) / 1024.0, 'f', 1);
}

QString AnalysisExportText(const AnalysisListModel &list)
{
    QString text;
    for (int i = 0; i < list.count(); ++i) {
        const AnalysisItem &item = list.at(i);
        text += item.title + QStringLiteral("-【") + item.stype + u'】' + item.status + QStringLiteral("\r\n");
    }
    return text;
}

bool WriteAnsiTextFile(const QString &path, const QString &text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = EncodeAnsi(text);
    return file.write(bytes) == bytes.size();
}

AnalysisListCommands::AnalysisListCommands(AnalysisListModel &list, const HarvestFlags &flags)
    : m_list(list)
    , m_flags(flags)
{
}

bool AnalysisListCommands::refusedWhileAnalysing() const
{
    if (!m_flags.analysisRunning)
        return false;
    ShowError(QStringLiteral("正在分析，不能清除！"));
    return true;
}

std::optional<QString> AnalysisListCommands::askCharacters() const
{
    const std::optional<QString> typed = AskInput(QStringLiteral("请输入指定字符："));
    if (!typed || typed->isEmpty())
        return std::nullopt;
    return typed;
}

void AnalysisListCommands::removeWhere(const std::function<bool(int row)> &pick)
{
    if (m_list.count() == 0)
        return;
    if (hideList)
        hideList(true);
    QVector<int> doomed;
    for (int row = 0; row < m_list.count(); ++row) {
        if (pick(row))
            doomed.push_back(row);
    }
    m_list.removeRowsAt(doomed);
    if (hideList)
        hideList(false);
    if (refreshCount)
        refreshCount();
}

void AnalysisListCommands::清除选中项(const QVector<int> &selectedRows)
{
    if (refusedWhileAnalysing())
        return;
    const QSet<int> selected(selectedRows.cbegin(), selectedRows.cend());
    removeWhere([&selected](int row) { return selected.contains(row); });
}

void AnalysisListCommands::清除分析成功项()
{
    if (refusedWhileAnalysing())
        return;
    removeWhere([this](int row) { return m_list.at(row).status == AnalysisStatus::success(); });
}

void AnalysisListCommands::清除标题含指定字符项()
{
    if (refusedWhileAnalysing())
        return;
    const std::optional<QString> needle = askCharacters();
    if (!needle)
        return;
    removeWhere([this, &needle](int row) { return TitleContains(m_list.at(row).title, *needle); });
}

void AnalysisListCommands::清除标题不含指定字符项()
{
    if (refusedWhileAnalysing())
        return;
    const std::optional<QString> needle = askCharacters();
    if (!needle)
        return;
    removeWhere([this, &needle](int row) { return !TitleContains(m_list.at(row).title, *needle); });
}

void AnalysisListCommands::清空全部()
{
    if (refusedWhileAnalysing())
        return;
    if (!AskYesNo(QStringLiteral("您确定要清空辛辛苦苦搜索的列表数据吗？")))
        return;
    m_list.clear();
    if (refreshCount)
        refreshCount();
}

void AnalysisListCommands::导出数据()
{
    if (m_list.count() == 0)
        return;
    FileDialogRequest request;
    request.filter = QStringLiteral("*.txt (*.txt)");
    request.defaultExt = QStringLiteral("txt");
    request.askOverwrite = false; // an existing file is replaced without asking
    const std::optional<QString> path = DialogService::instance().saveFile(request);
    if (!path || path->isEmpty())
        return;
    if (!WriteAnsiTextFile(*path, AnalysisExportText(m_list)))
        return;
    ShowInformation(QStringLiteral("保存文件完毕：") + FormatKilobytes(QFileInfo(*path).size()) + QStringLiteral("KB"));
}
