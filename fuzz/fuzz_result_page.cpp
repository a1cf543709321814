// The result-page extraction on any page, as litharvest-cli harvest reads a
// saved or fetched page: the bytes decoded by their charset, the portal base
// found, the results extracted and added to an analysis list, each written as
// a list line that download must read back. The parse tree is also walked
// whole (InnerText of the root), the way a block's text is read.
//
// Input: the page address, a line feed, the portal base (empty: from the
// saved page or the page address, as the command does), a line feed, the
// transport charset (an HTTP Content-Type's parameter), a line feed, the
// page's bytes. An odd input length asks for the titles without spaces.
// A page too deep to parse gives nothing and has no root.
#include "download/core/ListLine.h"
#include "fuzz/FuzzSupport.h"
#include "harvest/core/AnalysisListModel.h"
#include "harvest/core/HtmlDocument.h"
#include "harvest/core/PageSource.h"
#include "harvest/core/ResultPageParser.h"
#include "harvest/flow/HandOver.h"

#include <QUrl>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::vector<QByteArray> parts = fuzz::lines(data, size, 4);
    const QString pageAddress = QString::fromUtf8(parts[0]);
    const QString markup = DecodePageBytes(parts[3], parts[2]);
    const bool removeSpaces = size % 2 == 1;

    QString base = PortalRootOf(QUrl(QString::fromUtf8(parts[1])));
    if (base.isEmpty())
        base = PortalRootOf(SavedPageAddress(markup));
    if (base.isEmpty())
        base = PortalRootOf(QUrl(pageAddress));
    if (base.isEmpty())
        base = QStringLiteral("http://portal.example/");

    AnalysisListModel list;
    const ResultPageAdded added = AddResultPage(list, markup, pageAddress, base, removeSpaces, QStringLiteral("/save/"));
    fuzz::require(!added.accessBlocked || added.handed == 0, "a blocked page gives no results");
    fuzz::require(!added.tooDeep || added.handed == 0, "a page refused as too deep gives no results");
    fuzz::require(list.count() <= added.handed, "the list holds no more than was offered");

    for (int i = 0; i < list.count(); ++i) {
        const AnalysisItem &item = list.at(i);
        fuzz::require(item.url.startsWith(base), "a document address lies under the portal base", item.url);
        fuzz::require(!item.title.isEmpty(), "a result has a title", item.url);
        // What harvest prints, download reads as the same one address.
        const ListLine line{ListAddress(item.url), HandOverTitle(item.title), item.stype, item.保存路径, item.ref};
        ListLine read;
        QString error;
        fuzz::require(ParseListLine(FormatListLine(line), read, error), "a printed result reads back",
                      FormatListLine(line) + u" : " + error);
        fuzz::require(read.address == line.address, "a printed result keeps its one address", line.address);
    }

    const HtmlDocument document(markup);
    // A blocked page is known as such before it is parsed.
    fuzz::require(added.accessBlocked ? !added.tooDeep : document.tooDeep() == added.tooDeep,
                  "the page and its document agree on the depth");
    InnerText(document.root());
    SavedPageMarkup(markup, QUrl(pageAddress));
    return 0;
}
