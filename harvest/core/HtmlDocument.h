#pragma once
// A parsed HTML document (gumbo, the HTML5 parsing rules a browser uses) and
// the few lookups extraction needs: an element by id, elements by name and
// class, an element's inner text and attributes. Result-page extraction and
// the command-line harvester use it on markup taken from the live page or
// from a saved file. Nodes belong to the document and die with it.
// A page that nests its elements deeper than kMaxElementNesting is not
// parsed at all (the parser's time grows with the square of the depth): the
// document is empty then and says so.
#include <QString>
#include <QVector>

#include <gumbo.h>

class HtmlDocument final
{
public:
    explicit HtmlDocument(const QString &markup);
    ~HtmlDocument();
    HtmlDocument(const HtmlDocument &) = delete;
    HtmlDocument &operator=(const HtmlDocument &) = delete;

    // The document's root element (html), never null for a parsed document;
    // null for a page refused as too deep.
    const GumboNode *root() const;
    // The page nests deeper than kMaxElementNesting and was not parsed.
    bool tooDeep() const { return m_tooDeep; }
    // The first element in document order whose id attribute is exactly id.
    const GumboNode *elementById(const QString &id) const;

private:
    GumboOutput *m_output = nullptr;
    bool m_tooDeep = false;
};

// The element's name in lower case ("a", "div", or a custom element's name);
// empty for anything that is not an element.
QString ElementName(const GumboNode *node);
// The attribute's value, entities decoded; empty when absent.
QString AttributeText(const GumboNode *node, const char *name);

// Every descendant of root named elementName (letter case ignored) in
// document order. Template contents are a separate document and noscript
// content is text to a scripting browser: neither is searched.
QVector<const GumboNode *> CollectByTag(const GumboNode *root, const QString &elementName);
// The descendants of CollectByTag whose whole class attribute, trimmed of
// spaces, equals className ignoring letter case. It compares the attribute as
// one text on purpose: "julei-list x" is not a "julei-list" block.
// A null root gives an empty list.
QVector<const GumboNode *> CollectByClass(const GumboNode *root, const QString &elementName,
                                          const QString &className);

// The element's text as a browser's innerText gives it for ordinary markup:
// white space collapsed outside pre/textarea, <br> as a line break, block
// boundaries as line breaks (paragraphs two), table cells separated by tabs,
// and nothing from script, style, template, noscript, head, elements with the
// hidden attribute or an inline display:none; an element that is itself not
// rendered gives its plain text content, as in a browser. It does not apply
// style sheets.
QString InnerText(const GumboNode *node);
