#pragma once

// The bytes of one sample document: its kind's signature (the bytes file-type
// recognition looks for), deterministic filler, and for some kinds a trailer. Bytes are
// computed for any offset on demand, so a document of several gigabytes is streamed
// without ever being held in memory.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

enum class DocumentKind { Pdf, Caj, Kdh, Nh, Zip, Doc, Png, Html, Txt, Bin };

// "pdf" -> Pdf ...; false for an unknown name.
bool DocumentKindFromName(const std::string &name, DocumentKind &kind);
const char *DocumentKindName(DocumentKind kind);
// The Content-Type a well-behaved server would send for the kind.
const char *DefaultContentType(DocumentKind kind);

class DocumentBody final {
public:
    DocumentBody(DocumentKind kind, std::uint64_t size, std::uint64_t seed);

    std::uint64_t size() const { return m_size; }

    // Fills out with the bytes [offset, offset + length); the range must lie inside size().
    void read(std::uint64_t offset, char *out, std::size_t length) const;

private:
    void place(std::uint64_t offset, const std::string &bytes);

    std::uint64_t m_size;
    std::string m_pattern; // filler, repeated from offset 0
    std::vector<std::pair<std::uint64_t, std::string>> m_pieces; // fixed bytes over the filler
};
