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
// all read as GB18030. A page meant as UTF-8 whose bytes are not UTF-8 is
// read as GB18030: the harvesting window saves pages in the system code page
// and leaves their meta charset as the portal sent it.
QString DecodePageBytes(const QByteArray &bytes, const QByteArray &transportCharset = QByteArray());

// The charset parameter of a Content-Type value, or empty.
QByteArray CharsetFromContentType(const QByteArray &contentType);

// Where a saved page says it came from: the href of its first <base>, else
// the address of a browser's "saved from url=(NNNN)ADDRESS" comment. Only
// http and https addresses count; otherwise an invalid QUrl.
QUrl SavedPageAddress(const QString &markup);

// "scheme://host[:port]/" of an http or https address (the portal base
// address it belongs to), or empty for anything else.
QString PortalRootOf(const QUrl &address);
