#include "harvest/core/ResultPageParser.h"

#include "common/TextCodec.h"
#include "harvest/core/AnalysisListModel.h"
#include "harvest/core/HtmlDocument.h"

#include <QStringList>

namespace {
const QString &fullTextCaption()
{
    static const QString caption = QStringLiteral("全文下载");
    return caption;
}

// The first descendant link whose text, trimmed of spaces, is exactly
// "全文下载"; a block may carry other links ("摘要", "全文下载 PDF") first.
const GumboNode *fullTextLink(const GumboNode *block)
{
    for (const GumboNode *link : CollectByTag(block, QStringLiteral("a"))) {
        if (TrimSpaces(InnerText(link)) == fullTextCaption())
            return link;
    }
    return nullptr;
}

// Field 1 ends with the call's first argument: after the last ("  or,
// failing that, the last ,"  of the trimmed field.
QString articleType(const QString &field)
{
    const QString trimmed = TrimSpaces(field);
    qsizetype at = trimmed.lastIndexOf(QStringLiteral("(\""));
    if (at < 0)
        at = trimmed.lastIndexOf(QStringLiteral(",\""));
    if (at < 0)
        return QString();
    return TrimSpaces(trimmed.mid(at + 2));
}

QString titleFrom(const QString &field, bool removeSpaces)
{
    QString title = TrimSpaces(field);
    if (removeSpaces) {
        // A text-compare replace of " " also meets the ideographic space,
        // the only character whose width-folded form is U+0020.
        title.remove(u' ');
        title.remove(QChar(0x3000));
    }
    return title;
}

QString typeParameter(const QString &articleType)
{
    if (articleType == QStringLiteral("中文期刊文章"))
        return QStringLiteral("&type=1");
    if (articleType == QStringLiteral("外文期刊文章"))
        return QStringLiteral("&type=2");
    if (articleType == QStringLiteral("古籍"))
        return QStringLiteral("&type=3");
    if (articleType == QStringLiteral("外文图书"))
        return QStringLiteral("&type=4");
    return QString();
}

// Everything after the first "/ of field 2 is the document path; without
// that pair there is no address.
QString downloadAddress(const QString &field, const QString &articleType, const QString &portalBase)
{
    const qsizetype at = field.indexOf(QStringLiteral("\"/"));
    if (at < 0)
        return QString();
    return portalBase + field.mid(at + 2) + typeParameter(articleType);
}
} // namespace

QString AccessBlockedNotice()
{
    return QStringLiteral("您的访问过于频繁，为确认本次访问为正常用户行为，需要您协助验证");
}

ResultPage ParseResultPage(const QString &markup, const QString &pageAddress, const QString &portalBase,
                           bool removeSpaces)
{
    ResultPage page;
    if (markup.contains(AccessBlockedNotice())) {
        page.accessBlocked = true;
        return page;
    }
    const HtmlDocument document(markup);
    page.tooDeep = document.tooDeep();
    const GumboNode *articleList = document.elementById(QStringLiteral("ul_articlelist"));
    if (!articleList)
        return page;
    const QString separator = QStringLiteral("\",\"");
    for (const GumboNode *block : CollectByClass(articleList, QStringLiteral("div"), QStringLiteral("julei-list"))) {
        const GumboNode *link = fullTextLink(block);
        if (!link)
            continue;
        const QStringList fields = AttributeText(link, "onclick").split(separator, Qt::KeepEmptyParts);
        if (fields.size() != 6)
            continue;
        const QString type = articleType(fields.at(0));
        const QString title = titleFrom(fields.at(4), removeSpaces);
        const QString url = downloadAddress(fields.at(1), type, portalBase);
        if (title.isEmpty() || url.isEmpty() || type.isEmpty())
            continue;
        AnalysisItem item;
        item.title = title;
        item.url = url;
        item.ref = pageAddress;
        item.stype = QStringLiteral("pdf");
        page.items.push_back(item);
    }
    return page;
}

ResultPageAdded AddResultPage(AnalysisListModel &list, const QString &markup, const QString &pageAddress,
                              const QString &portalBase, bool removeSpaces, const QString &保存路径)
{
    const ResultPage page = ParseResultPage(markup, pageAddress, portalBase, removeSpaces);
    for (const AnalysisItem &item : page.items)
        list.加入LV1(item.title, item.url, item.ref, item.stype, 保存路径, item.网站类型);
    return ResultPageAdded{int(page.items.size()), page.accessBlocked, page.tooDeep};
}
