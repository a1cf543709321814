#pragma once
// How deep a page nests its elements, measured in one linear pass over the
// markup before the HTML parser sees it. The parser's work for each tag grows
// with the number of elements open around it, so a page of 100 000 nested
// elements would take it minutes; HtmlDocument refuses a page deeper than
// kMaxElementNesting instead.
//
// The pass follows the tree-building rules far enough never to count less
// than the parser builds: an end tag closes only what the parser would close
// with it (never past an element it stops at), a "/>" closes only inside
// svg and math, and text inside comments, scripts, styles and attribute
// values opens nothing. Elements whose end tag may be left out (p, li, td,
// option and the like) are not counted, so loose but ordinary markup is not
// taken for nesting; the parser's own depth stays within a small multiple of
// the count.
#include <QByteArray>

// The most a page may nest its counted elements: far above any real result
// page (a few dozen), and where browsers stop nesting too.
inline constexpr int kMaxElementNesting = 512;

// True when the UTF-8 markup nests more than maxDepth counted elements at
// some point. Linear in the size of the markup; stops at the first level
// over the limit.
bool NestsDeeperThan(const QByteArray &utf8, int maxDepth);
