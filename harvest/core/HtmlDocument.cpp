#include "harvest/core/HtmlDocument.h"

#include "common/TextCodec.h"
#include "harvest/core/MarkupNesting.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <utility>
#include <vector>

namespace {
QString fromUtf8(const char *text)
{
    return text ? QString::fromUtf8(text) : QString();
}

const GumboVector *childrenOf(const GumboNode *node)
{
    if (!node)
        return nullptr;
    if (node->type == GUMBO_NODE_ELEMENT)
        return &node->v.element.children;
    if (node->type == GUMBO_NODE_DOCUMENT)
        return &node->v.document.children;
    return nullptr; // text, comments, and template contents
}

// Elements whose content a scripting browser does not hold as elements:
// noscript is raw text there, and template contents are a separate document.
bool opaqueToElementSearch(const GumboNode *element)
{
    return element->type == GUMBO_NODE_TEMPLATE || element->v.element.tag == GUMBO_TAG_NOSCRIPT;
}

// Visits every element below node in document order. The walk keeps its own
// stack, so deeply nested markup cannot exhaust the call stack.
template<typename Visit>
void forEachDescendant(const GumboNode *node, const Visit &visit)
{
    struct Level
    {
        const GumboVector *children;
        unsigned next;
    };
    std::vector<Level> levels;
    if (const GumboVector *children = childrenOf(node))
        levels.push_back({children, 0});
    while (!levels.empty()) {
        Level &level = levels.back();
        if (level.next >= level.children->length) {
            levels.pop_back();
            continue;
        }
        const auto *child = static_cast<const GumboNode *>(level.children->data[level.next++]);
        if (child->type != GUMBO_NODE_ELEMENT && child->type != GUMBO_NODE_TEMPLATE)
            continue;
        visit(child);
        if (opaqueToElementSearch(child))
            continue;
        if (const GumboVector *children = childrenOf(child))
            levels.push_back({children, 0});
    }
}

bool isAsciiWhite(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// Builds innerText from the rendered pieces: collapsible spaces are kept
// pending and written only between two visible characters on one line;
// required line breaks are pending too, collapse to the largest count and
// vanish at the very start and end.
class InnerTextBuilder final
{
public:
    void collapsibleText(const QString &text)
    {
        for (const QChar c : text) {
            if (isAsciiWhite(c))
                m_pendingSpace = true;
            else
                put(c);
        }
    }
    void preservedText(const QString &text)
    {
        for (const QChar c : text) {
            if (c == u'\n') {
                lineBreak();
            } else if (c != u'\r') {
                flushBreaks();
                m_out.append(c);
                m_atLineStart = false;
            }
        }
    }
    void lineBreak() // <br> and preserved newlines: content, not a required break
    {
        flushBreaks();
        m_out.append(u'\n');
        m_pendingSpace = false;
        m_atLineStart = true;
    }
    void literal(QChar c) // the tab between table cells
    {
        flushBreaks();
        m_out.append(c);
        m_pendingSpace = false;
        m_atLineStart = false;
    }
    void requiredBreaks(int n)
    {
        m_pendingBreaks = std::max(m_pendingBreaks, n);
        m_pendingSpace = false;
        m_atLineStart = true;
    }
    QString result() const { return m_out; }

private:
    void put(QChar c)
    {
        flushBreaks();
        if (m_pendingSpace && !m_atLineStart)
            m_out.append(u' ');
        m_pendingSpace = false;
        m_out.append(c);
        m_atLineStart = false;
    }
    void flushBreaks()
    {
        if (m_pendingBreaks > 0 && !m_out.isEmpty())
            m_out.append(QString(m_pendingBreaks, u'\n'));
        m_pendingBreaks = 0;
    }

    QString m_out;
    int m_pendingBreaks = 0;
    bool m_pendingSpace = false;
    bool m_atLineStart = true;
};

bool isNotRendered(const GumboNode *element)
{
    switch (element->v.element.tag) {
    case GUMBO_TAG_SCRIPT:
    case GUMBO_TAG_STYLE:
    case GUMBO_TAG_TEMPLATE:
    case GUMBO_TAG_NOSCRIPT: // a browser with scripts on does not render it
    case GUMBO_TAG_HEAD:
    case GUMBO_TAG_TITLE:
    case GUMBO_TAG_IFRAME:
    case GUMBO_TAG_NOFRAMES:
        return true;
    default:
        break;
    }
    if (gumbo_get_attribute(&element->v.element.attributes, "hidden"))
        return true;
    static const QRegularExpression displayNone(QStringLiteral("(^|;)\\s*display\\s*:\\s*none\\s*(!\\s*important\\s*)?(;|$)"),
                                                QRegularExpression::CaseInsensitiveOption);
    const QString style = AttributeText(element, "style");
    return !style.isEmpty() && displayNone.match(style).hasMatch();
}

// By element name rather than gumbo's tag enumeration, which misses newer
// elements such as dialog.
int blockBreaks(const GumboNode *element)
{
    static const QSet<QString> blocks = {
        QStringLiteral("address"), QStringLiteral("article"), QStringLiteral("aside"),
        QStringLiteral("blockquote"), QStringLiteral("body"), QStringLiteral("caption"),
        QStringLiteral("center"), QStringLiteral("dd"), QStringLiteral("details"),
        QStringLiteral("dialog"), QStringLiteral("dir"), QStringLiteral("div"),
        QStringLiteral("dl"), QStringLiteral("dt"), QStringLiteral("fieldset"),
        QStringLiteral("figcaption"), QStringLiteral("figure"), QStringLiteral("footer"),
        QStringLiteral("form"), QStringLiteral("h1"), QStringLiteral("h2"),
        QStringLiteral("h3"), QStringLiteral("h4"), QStringLiteral("h5"),
        QStringLiteral("h6"), QStringLiteral("header"), QStringLiteral("hgroup"),
        QStringLiteral("hr"), QStringLiteral("html"), QStringLiteral("legend"),
        QStringLiteral("li"), QStringLiteral("listing"), QStringLiteral("main"),
        QStringLiteral("menu"), QStringLiteral("nav"), QStringLiteral("ol"),
        QStringLiteral("plaintext"), QStringLiteral("pre"), QStringLiteral("search"),
        QStringLiteral("section"), QStringLiteral("summary"), QStringLiteral("table"),
        QStringLiteral("tr"), QStringLiteral("ul"), QStringLiteral("xmp"),
    };
    if (element->v.element.tag == GUMBO_TAG_P)
        return 2;
    return blocks.contains(ElementName(element)) ? 1 : 0;
}

bool preservesWhiteSpace(GumboTag tag)
{
    return tag == GUMBO_TAG_PRE || tag == GUMBO_TAG_TEXTAREA || tag == GUMBO_TAG_LISTING
        || tag == GUMBO_TAG_PLAINTEXT || tag == GUMBO_TAG_XMP;
}

bool isTableCell(const GumboNode *node)
{
    return node && node->type == GUMBO_NODE_ELEMENT
        && (node->v.element.tag == GUMBO_TAG_TD || node->v.element.tag == GUMBO_TAG_TH);
}

// The rendered text of the element's content, in document order. Like the
// element search, the walk keeps its own stack: a deeply nested page cannot
// exhaust the call stack.
void collectText(const GumboNode *element, bool preserve, InnerTextBuilder &out)
{
    struct Level
    {
        const GumboVector *children;
        unsigned next;
        bool preserve;
        // The element whose content this is, with its place among its
        // siblings; null for the element the walk started at.
        const GumboNode *element;
        const GumboVector *siblings;
        unsigned index;
        int breaks;
    };
    std::vector<Level> levels;
    levels.push_back({&element->v.element.children, 0, preserve, nullptr, nullptr, 0, 0});
    while (!levels.empty()) {
        Level &level = levels.back();
        if (level.next >= level.children->length) {
            const Level done = level;
            levels.pop_back();
            if (!done.element)
                continue;
            if (done.breaks)
                out.requiredBreaks(done.breaks);
            if (isTableCell(done.element)) {
                for (unsigned j = done.index + 1; j < done.siblings->length; ++j) {
                    if (isTableCell(static_cast<const GumboNode *>(done.siblings->data[j]))) {
                        out.literal(u'\t');
                        break;
                    }
                }
            }
            continue;
        }
        const unsigned i = level.next++;
        const auto *child = static_cast<const GumboNode *>(level.children->data[i]);
        switch (child->type) {
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_WHITESPACE:
        case GUMBO_NODE_CDATA: {
            const QString text = fromUtf8(child->v.text.text);
            if (level.preserve)
                out.preservedText(text);
            else
                out.collapsibleText(text);
            break;
        }
        case GUMBO_NODE_ELEMENT: {
            if (isNotRendered(child))
                break;
            const GumboTag tag = child->v.element.tag;
            if (tag == GUMBO_TAG_BR) {
                out.lineBreak();
                break;
            }
            const int breaks = blockBreaks(child);
            if (breaks)
                out.requiredBreaks(breaks);
            const Level inner{&child->v.element.children, 0, level.preserve || preservesWhiteSpace(tag), child,
                              level.children, i, breaks};
            levels.push_back(inner); // `level` is not used after this
            break;
        }
        default: // comments, template contents
            break;
        }
    }
}

// The text content of every text node below node, in document order, with
// its own stack as above.
void appendTextContent(const GumboNode *node, QString &text)
{
    std::vector<std::pair<const GumboVector *, unsigned>> levels;
    if (const GumboVector *children = childrenOf(node))
        levels.emplace_back(children, 0);
    while (!levels.empty()) {
        auto &[children, next] = levels.back();
        if (next >= children->length) {
            levels.pop_back();
            continue;
        }
        const auto *child = static_cast<const GumboNode *>(children->data[next++]);
        if (child->type == GUMBO_NODE_TEXT || child->type == GUMBO_NODE_WHITESPACE || child->type == GUMBO_NODE_CDATA)
            text += fromUtf8(child->v.text.text);
        else if (child->type == GUMBO_NODE_ELEMENT)
            levels.emplace_back(&child->v.element.children, 0);
    }
}
} // namespace

namespace {
// The parser's options: parse errors are not recorded. Each record holds a
// copy of the open elements, which makes a page of many errors cost memory
// with the square of its depth, and nothing here reads them.
const GumboOptions &parseOptions()
{
    static const GumboOptions options = [] {
        GumboOptions o = kGumboDefaultOptions;
        o.max_errors = 0;
        return o;
    }();
    return options;
}
} // namespace

HtmlDocument::HtmlDocument(const QString &markup)
{
    const QByteArray utf8 = markup.toUtf8();
    if (NestsDeeperThan(utf8, kMaxElementNesting)) {
        m_tooDeep = true;
        return;
    }
    m_output = gumbo_parse_with_options(&parseOptions(), utf8.constData(), size_t(utf8.size()));
}

HtmlDocument::~HtmlDocument()
{
    if (m_output)
        gumbo_destroy_output(&parseOptions(), m_output);
}

const GumboNode *HtmlDocument::root() const
{
    return m_output ? m_output->root : nullptr;
}

const GumboNode *HtmlDocument::elementById(const QString &id) const
{
    if (!m_output)
        return nullptr;
    const QByteArray wanted = id.toUtf8();
    const GumboNode *found = nullptr;
    // Walk from the document node so that the root element itself counts.
    forEachDescendant(m_output->document, [&](const GumboNode *element) {
        if (found)
            return;
        const GumboAttribute *attr = gumbo_get_attribute(&element->v.element.attributes, "id");
        if (attr && wanted == attr->value)
            found = element;
    });
    return found;
}

QString ElementName(const GumboNode *node)
{
    if (!node || (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE))
        return QString();
    const GumboElement &element = node->v.element;
    if (element.tag != GUMBO_TAG_UNKNOWN)
        return QString::fromUtf8(gumbo_normalized_tagname(element.tag));
    GumboStringPiece name = element.original_tag;
    gumbo_tag_from_original_text(&name);
    return QString::fromUtf8(name.data, qsizetype(name.length)).toLower();
}

QString AttributeText(const GumboNode *node, const char *name)
{
    if (!node || (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE))
        return QString();
    const GumboAttribute *attr = gumbo_get_attribute(&node->v.element.attributes, name);
    return attr ? fromUtf8(attr->value) : QString();
}

QVector<const GumboNode *> CollectByTag(const GumboNode *root, const QString &elementName)
{
    QVector<const GumboNode *> found;
    forEachDescendant(root, [&](const GumboNode *element) {
        if (ElementName(element).compare(elementName, Qt::CaseInsensitive) == 0)
            found.push_back(element);
    });
    return found;
}

QVector<const GumboNode *> CollectByClass(const GumboNode *root, const QString &elementName,
                                          const QString &className)
{
    QVector<const GumboNode *> found;
    for (const GumboNode *element : CollectByTag(root, elementName)) {
        if (TrimSpaces(AttributeText(element, "class")).compare(className, Qt::CaseInsensitive) == 0)
            found.push_back(element);
    }
    return found;
}

QString InnerText(const GumboNode *node)
{
    if (!node || node->type != GUMBO_NODE_ELEMENT)
        return QString();
    // A browser gives the plain text content of an element that is not
    // rendered itself, e.g. a hidden link.
    for (const GumboNode *up = node; up && up->type == GUMBO_NODE_ELEMENT; up = up->parent) {
        if (isNotRendered(up)) {
            QString text;
            appendTextContent(node, text);
            return text;
        }
    }
    InnerTextBuilder out;
    collectText(node, preservesWhiteSpace(node->v.element.tag), out);
    return out.result();
}
