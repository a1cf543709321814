#pragma once
// Reading a result page from outside the browser, for litharvest-cli harvest:
// the page's bytes as text by its declared charset, the address a saved page
// came from, and the portal root of an address. The harvesting window does
// not need it; it takes the live document's markup from the browser.
#include <QByteArray>
#include <QString>
#include <QUrl>

// The page's text. The charset comes from a byte-order mark, else from
// transportCharset (an HTTP Content-Type's charset), else from a meta
// charset in the first 1024 bytes, else UTF-8. gbk, gb2312 and gb18030 are
// all read as GB18030; UTF-7 and the like count as no charset. A UTF-8 page
// keeps its text with each malformed byte replaced by U+FFFD, unless its
// bytes are mostly not UTF-8 at all: then it is read as GB18030 (a page
// saved by an older build kept the portal's meta charset although it was
// written in the system code page).
QString DecodePageBytes(const QByteArray &bytes, const QByteArray &transportCharset = QByteArray());

// The charset parameter of a Content-Type value, or empty.
QByteArray CharsetFromContentType(const QByteArray &contentType);

// Where a saved page says it came from: the href of its first <base>, else
// the address of a browser's "saved from url=(NNNN)ADDRESS" comment. Only
// http and https addresses count; otherwise an invalid QUrl.
QUrl SavedPageAddress(const QString &markup);

// The markup the harvesting window writes for "网页另存为": the live
// document's markup with a "saved from url=(NNNN)ADDRESS" comment in front
// (so the saved page still tells which portal it came from) and its charset
// declarations naming gb18030, the code page the file is written in, so
// that a browser opening the file does not read it as UTF-8.
QString SavedPageMarkup(const QString &markup, const QUrl &pageAddress);

// "scheme://host[:port]/" of an http or https address (the portal base
// address it belongs to), or empty for anything else.
QString PortalRootOf(const QUrl &address);
