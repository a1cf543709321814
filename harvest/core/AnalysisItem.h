#pragma once
// One line of the harvesting window's analysis list: a harvested result
// waiting to be handed to the download list. Extraction creates items, the
// analysis commands set their status, AnalysisListModel keeps them.
#include <QString>

struct AnalysisItem
{
    QString title;   // shown; the file is named after it
    QString url;     // the document's download address; the list's key
    QString ref;     // the result page the item came from (sent as Referer)
    QString stype;   // document type; extraction stores "pdf"
    QString 保存路径; // save folder; empty = chosen when the item is analysed
    QString 网站类型; // site-type tag; extraction stores ""
    QString status;  // "", "成功" or "分析失败"
};

// The three values of the status column.
namespace AnalysisStatus {
inline QString notAnalysed() { return QString(); }
inline QString success() { return QStringLiteral("成功"); }
inline QString failed() { return QStringLiteral("分析失败"); }
} // namespace AnalysisStatus
