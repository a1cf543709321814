#include "harvest/core/MarkupNesting.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

using Names = std::unordered_set<std::string>;

bool in(const Names &names, const std::string &name)
{
    return names.count(name) != 0;
}

// Elements that never hold others.
const Names &voidElements()
{
    static const Names names = {"area", "base", "basefont", "bgsound", "br", "col", "embed", "frame", "hr",
                                "image", "img", "input", "keygen", "link", "meta", "param", "source",
                                "track", "wbr", "isindex", "menuitem"};
    return names;
}

// Elements left out of the count: their end tag may be omitted, and the
// parser closes them by itself (a new p, li or cell closes the open one), or
// they occur once (html, head, body).
const Names &uncountedElements()
{
    static const Names names = {"html", "head", "body", "frameset", "p", "li", "dt", "dd", "option",
                                "optgroup", "tr", "tbody", "thead", "tfoot", "colgroup", "caption",
                                "rb", "rt", "rtc", "rp"};
    return names;
}

// Elements whose content is text up to their own end tag (in HTML, not
// inside svg or math).
const Names &rawTextElements()
{
    static const Names names = {"script", "style", "textarea", "title", "xmp", "iframe", "noembed", "noframes"};
    return names;
}

// Elements an end tag of another name does not close past. Taking too many
// here only counts more; so the list is generous.
const Names &stopElements()
{
    static const Names names = {
        "address", "applet", "article", "aside", "blockquote", "button", "center", "details", "dialog",
        "dir", "div", "dl", "fieldset", "figcaption", "figure", "footer", "form", "h1", "h2", "h3", "h4",
        "h5", "h6", "header", "hgroup", "listing", "main", "marquee", "menu", "nav", "noscript", "object",
        "ol", "pre", "search", "section", "select", "summary", "table", "td", "th", "template", "ul",
        "plaintext",
        "foreignobject", "desc", "mi", "mo", "mn", "ms", "mtext", "annotation-xml", "title"};
    return names;
}

// Elements that end the scope an end tag like </div> looks for its element in.
const Names &scopeMarkers()
{
    static const Names names = {"applet", "marquee", "object", "table", "td", "th", "template", "foreignobject", "desc",
                                "title", "mi", "mo", "mn", "ms", "mtext", "annotation-xml", "select"};
    return names;
}

// End tags that close their element across ordinary and stop elements, as
// long as no scope marker lies between.
const Names &scopedClosers()
{
    static const Names names = {"address", "applet", "article", "aside", "blockquote", "button", "center",
                                "details", "dialog", "dir", "div", "dl", "fieldset", "figcaption", "figure",
                                "footer", "header", "hgroup", "listing", "main", "marquee", "menu", "nav",
                                "object", "ol", "pre", "search", "section", "summary", "table", "ul"};
    return names;
}

// Start tags that leave svg and math content for HTML.
const Names &foreignBreakouts()
{
    static const Names names = {"b", "big", "blockquote", "body", "br", "center", "code", "dd", "div", "dl",
                                "dt", "em", "embed", "h1", "h2", "h3", "h4", "h5", "h6", "head", "hr",
                                "i", "img", "li", "listing", "menu", "meta", "nobr", "ol", "p", "pre",
                                "ruby", "s", "small", "span", "strong", "strike", "sub", "sup", "table",
                                "tt", "u", "ul", "var", "font"};
    return names;
}

// The children of these svg and math elements are HTML again.
const Names &integrationPoints()
{
    static const Names names = {"foreignobject", "desc", "title", "mi", "mo", "mn", "ms", "mtext",
                                "annotation-xml"};
    return names;
}

bool isCell(const std::string &name)
{
    return name == "td" || name == "th";
}

// Table parts whose tags close the open cell and what the table holds above
// its rows.
bool isRowPart(const std::string &name)
{
    return name == "tr" || name == "tbody" || name == "thead" || name == "tfoot" || name == "caption"
        || name == "colgroup";
}

bool isHeading(const std::string &name)
{
    return name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6';
}

bool isAsciiAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isTagSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

class NestingCounter final
{
public:
    NestingCounter(const char *text, qsizetype size, int maxDepth)
        : m_s(text)
        , m_n(size)
        , m_max(maxDepth)
    {
    }

    bool tooDeep()
    {
        qsizetype i = 0;
        while (i < m_n) {
            const void *lt = std::memchr(m_s + i, '<', size_t(m_n - i));
            if (!lt)
                return false;
            i = static_cast<const char *>(lt) - m_s + 1;
            if (i >= m_n)
                return false;
            const char c = m_s[i];
            if (c == '!') {
                i = (i + 2 < m_n && m_s[i + 1] == '-' && m_s[i + 2] == '-') ? after(i + 3, "-->") : after(i, ">");
                continue;
            }
            if (c == '?') {
                i = after(i, ">");
                continue;
            }
            const bool end = c == '/';
            qsizetype at = end ? i + 1 : i;
            if (at >= m_n || !isAsciiAlpha(m_s[at])) {
                if (end)
                    i = after(i, ">"); // "</" and no name: a bogus comment
                continue;
            }
            m_name.clear();
            while (at < m_n && !isTagSpace(m_s[at]) && m_s[at] != '/' && m_s[at] != '>')
                m_name.push_back(lower(m_s[at++]));
            bool selfClosing = false;
            i = tagEnd(at, selfClosing);
            if (end) {
                endTag();
                continue;
            }
            const bool html = !foreignContext();
            if (!startTag(selfClosing))
                return true;
            if (m_name == "plaintext" && html)
                return false; // the rest of the page is text
            if (in(rawTextElements(), m_name) && html)
                i = rawTextEnd(i);
        }
        return false;
    }

private:
    struct Open
    {
        std::string name;
        int lastStop;   // index of the nearest stop element at or below this one, -1 when none
        int lastMarker; // the same for scope markers
        bool foreign;   // inside svg or math, outside their integration points
    };

    // Just after the first occurrence of what at or after from, or the end.
    qsizetype after(qsizetype from, const char *what) const
    {
        const size_t length = std::strlen(what);
        for (qsizetype i = from; i + qsizetype(length) <= m_n;) {
            const void *hit = std::memchr(m_s + i, what[0], size_t(m_n - i));
            if (!hit)
                break;
            i = static_cast<const char *>(hit) - m_s;
            if (i + qsizetype(length) <= m_n && std::memcmp(m_s + i, what, length) == 0)
                return i + qsizetype(length);
            ++i;
        }
        return m_n;
    }

    // Just after the ">" that ends the tag whose attributes start at i; a
    // quoted attribute value may hold ">".
    qsizetype tagEnd(qsizetype i, bool &selfClosing) const
    {
        bool valueNext = false;
        char previous = 0;
        while (i < m_n) {
            const char c = m_s[i];
            if (c == '>') {
                selfClosing = previous == '/';
                return i + 1;
            }
            if (valueNext && (c == '"' || c == '\'')) {
                const void *close = std::memchr(m_s + i + 1, c, size_t(m_n - i - 1));
                if (!close)
                    return m_n;
                i = static_cast<const char *>(close) - m_s + 1;
                valueNext = false;
                previous = c;
                continue;
            }
            if (c == '=')
                valueNext = true;
            else if (!isTagSpace(c))
                valueNext = false;
            previous = c;
            ++i;
        }
        return m_n;
    }

    // The start of the end tag that closes the raw-text element just opened
    // (the element stays counted until then), or the end of the markup.
    qsizetype rawTextEnd(qsizetype i)
    {
        const std::string name = m_name;
        while (i < m_n) {
            const void *lt = std::memchr(m_s + i, '<', size_t(m_n - i));
            if (!lt)
                return m_n;
            i = static_cast<const char *>(lt) - m_s;
            if (i + 2 + qsizetype(name.size()) <= m_n && m_s[i + 1] == '/') {
                bool same = true;
                for (size_t k = 0; k < name.size() && same; ++k)
                    same = lower(m_s[i + 2 + qsizetype(k)]) == name[k];
                if (same)
                    return i;
            }
            ++i;
        }
        return m_n;
    }

    bool foreignContext() const { return !m_open.empty() && m_open.back().foreign; }

    // Index of the nearest open element named name, or -1.
    int nearest(const std::string &name) const
    {
        const auto found = m_where.find(name);
        return found == m_where.end() || found->second.empty() ? -1 : found->second.back();
    }

    int lastStop() const { return m_open.empty() ? -1 : m_open.back().lastStop; }
    int lastMarker() const { return m_open.empty() ? -1 : m_open.back().lastMarker; }

    void popTo(int index)
    {
        while (int(m_open.size()) > index) {
            auto found = m_where.find(m_open.back().name);
            found->second.pop_back();
            if (found->second.empty())
                m_where.erase(found);
            m_open.pop_back();
        }
    }

    // Closes the nearest element named name when nothing the parser stops at
    // lies above it.
    void closeOrdinary(const std::string &name)
    {
        const int at = nearest(name);
        if (at >= 0 && lastStop() < at)
            popTo(at);
    }

    void closeScoped(const std::string &name)
    {
        const int at = nearest(name);
        if (at >= 0 && lastMarker() <= at)
            popTo(at);
    }

    void closeHeading()
    {
        int at = -1;
        for (const char *h : {"h1", "h2", "h3", "h4", "h5", "h6"})
            at = std::max(at, nearest(h));
        if (at >= 0 && lastMarker() <= at)
            popTo(at);
    }

    // The innermost scope marker when it is a table cell: the open cell.
    int openCell() const
    {
        const int at = lastMarker();
        return at >= 0 && isCell(m_open[size_t(at)].name) ? at : -1;
    }

    // A cell or row tag inside a table: the open cell ends, and so does
    // everything open above the table outside a cell.
    void closeToTable()
    {
        if (const int cell = openCell(); cell >= 0)
            popTo(cell);
        const int at = lastMarker();
        if (at >= 0 && m_open[size_t(at)].name == "table")
            popTo(at + 1);
    }

    void endTag()
    {
        if (foreignContext()) {
            closeOrdinary(m_name);
            return;
        }
        if (isCell(m_name)) {
            if (const int cell = openCell(); cell >= 0)
                popTo(cell);
            return;
        }
        if (isRowPart(m_name)) {
            // Closes the open cell; what else it ends depends on rows,
            // which are not counted.
            if (const int cell = openCell(); cell >= 0)
                popTo(cell);
            return;
        }
        if (in(uncountedElements(), m_name) || in(voidElements(), m_name))
            return;
        if (m_name == "table") {
            if (const int cell = openCell(); cell >= 0 && nearest(m_name) >= 0)
                popTo(cell);
            closeScoped(m_name);
        } else if (isHeading(m_name))
            closeHeading();
        else if (in(scopedClosers(), m_name))
            closeScoped(m_name);
        else if (in(stopElements(), m_name)) {
            // form, select, template and the like: only when it is the
            // element open last.
            if (!m_open.empty() && m_open.back().name == m_name)
                popTo(int(m_open.size()) - 1);
        } else
            closeOrdinary(m_name);
    }

    // False once the count goes over the limit.
    bool startTag(bool selfClosing)
    {
        if (foreignContext() && (in(foreignBreakouts(), m_name))) {
            // The parser leaves svg or math first.
            int at = int(m_open.size());
            while (at > 0 && m_open[size_t(at - 1)].foreign)
                --at;
            popTo(at);
        }
        const bool foreign = m_name == "svg" || m_name == "math" || foreignContext();
        if (foreign && selfClosing)
            return true;
        if (!foreign && (in(voidElements(), m_name) || in(uncountedElements(), m_name)))
            return true;
        if (!foreign) {
            // Start tags that close an open element of their kind first.
            if (isCell(m_name) || isRowPart(m_name))
                closeToTable();
            if (isRowPart(m_name))
                return true;
            if (m_name == "a" || m_name == "nobr")
                closeOrdinary(m_name);
            else if (m_name == "button")
                closeScoped(m_name);
            else if (isHeading(m_name) && !m_open.empty() && isHeading(m_open.back().name))
                popTo(int(m_open.size()) - 1);
            else if (m_name == "form" && nearest(m_name) >= 0)
                return true; // a form inside a form is dropped
        }
        const int index = int(m_open.size());
        Open open;
        open.name = m_name;
        open.lastStop = in(stopElements(), m_name) ? index : lastStop();
        open.lastMarker = in(scopeMarkers(), m_name) ? index : lastMarker();
        open.foreign = foreign && !in(integrationPoints(), m_name);
        m_open.push_back(std::move(open));
        m_where[m_name].push_back(index);
        return int(m_open.size()) <= m_max;
    }

    const char *m_s;
    qsizetype m_n;
    int m_max;
    std::string m_name;
    std::vector<Open> m_open;
    // Where each name is open, for the names open now only.
    std::unordered_map<std::string, std::vector<int>> m_where;
};

} // namespace

bool NestsDeeperThan(const QByteArray &utf8, int maxDepth)
{
    return NestingCounter(utf8.constData(), utf8.size(), maxDepth).tooDeep();
}
