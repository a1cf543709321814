#pragma once
// The commands of the analysis list that work on the list itself: the five
// clearing commands of the menu "清除(&C)" (also the list's right-click menu)
// and the export "导出数据...". They share one frame: refused while an
// analysis pass runs, the list hidden while rows go, the count label
// refreshed at the end. Messages, the input box and the save picker go
// through the dialog service.
#include <QString>
#include <QVector>

#include <functional>
#include <optional>

class AnalysisListModel;
struct HarvestFlags;

// Title matching of the clearing commands: containment that ignores letter
// case and character width (a full-width letter matches its half-width form,
// the ideographic space a space). An empty needle matches everything.
bool TitleContains(const QString &title, const QString &needle);

// "#,##0.0" of bytes / 1024, e.g. 1264128 -> "1,234.5", 100 -> "0.1".
QString FormatKilobytes(qint64 bytes);

// One line per item, "title-【type】status" and CR LF, the last one too.
QString AnalysisExportText(const AnalysisListModel &list);

// Writes the text in the system code page (GB18030), replacing the file.
bool WriteAnsiTextFile(const QString &path, const QString &text);

class AnalysisListCommands final
{
public:
    AnalysisListCommands(AnalysisListModel &list, const HarvestFlags &flags);

    // The view is hidden (true) and shown again (false) around a removal.
    std::function<void(bool hidden)> hideList;
    // The count label is to show the number of items now.
    std::function<void()> refreshCount;

    void 清除选中项(const QVector<int> &selectedRows);
    void 清除分析成功项();
    void 清除标题含指定字符项();
    void 清除标题不含指定字符项();
    void 清空全部();
    // "导出数据...": save picker, GB18030 text, "保存文件完毕：N.NKB".
    void 导出数据();

private:
    bool refusedWhileAnalysing() const;
    std::optional<QString> askCharacters() const;
    void removeWhere(const std::function<bool(int row)> &pick);

    AnalysisListModel &m_list;
    const HarvestFlags &m_flags;
};
