#pragma once

// The sample portal's result set: which article sits at which position of a search, with
// its article type, title and document kind, and the headers its document is served with.
// Positions 1 to 8 hold fixed titles that exercise title handling (spaces of both widths,
// a line break, "】", a 300-character title); the rest are generated from the seed.
#include "portal/DocumentResponse.h"

#include <cstdint>
#include <string>

struct ResultEntry final {
    int id = 0;               // position in the result set, from 1; also the document id
    std::string articleType;  // one of the four known types, or "会议论文" (unknown)
    std::string title;
    DocumentKind kind = DocumentKind::Pdf;
};

// The header profiles /download documents cycle through.
enum class DocumentProfile {
    Plain,          // the kind's Content-Type and a Content-Length
    HtmlType,       // text/html for the real document
    DispositionPlain,
    DispositionQuoted,
    DispositionUtf8,
    DispositionGbk,
    DispositionStar,
    NoLength,
    Chunked,
    CharsetOnBinary, // application/octet-stream; charset=UTF-8, no Content-Disposition
};
constexpr int kDocumentProfileCount = 10;
const char *DocumentProfileName(DocumentProfile profile);

class ResultCatalogue final {
public:
    ResultCatalogue(std::uint64_t seed, int results, int perPage);

    int results() const { return m_results; }
    int perPage() const { return m_perPage; }
    // Number of result pages, at least 1 (an empty result set still has its one page).
    int pageCount() const;

    // The entry at position index (1..results()) for the search keyword.
    ResultEntry entry(int index, const std::string &keyword) const;

    DocumentProfile profile(int id) const;
    // Defaults for /download?id=...; the address's own parameters are applied on top.
    DocumentChoice documentChoice(int id) const;

    // "&type=N" code of an article type, 0 for an unknown type.
    static int typeCode(const std::string &articleType);

private:
    std::uint64_t m_seed;
    int m_results;
    int m_perPage;
};
