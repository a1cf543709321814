#include "portal/DocumentBody.h"

#include "portal/SeededRandom.h"

#include <algorithm>
#include <cstring>

namespace {

struct KindInfo {
    DocumentKind kind;
    const char *name;
    const char *contentType;
};

const KindInfo kKinds[] = {
    {DocumentKind::Pdf, "pdf", "application/pdf"},
    {DocumentKind::Caj, "caj", "application/caj"},
    {DocumentKind::Kdh, "kdh", "application/kdh"},
    {DocumentKind::Nh, "nh", "application/nh"},
    {DocumentKind::Zip, "zip", "application/zip"},
    {DocumentKind::Doc, "doc", "application/msword"},
    {DocumentKind::Png, "png", "image/png"},
    {DocumentKind::Html, "html", "text/html; charset=utf-8"},
    {DocumentKind::Txt, "txt", "text/plain; charset=utf-8"},
    {DocumentKind::Bin, "bin", "application/octet-stream"},
};

const KindInfo &Info(DocumentKind kind)
{
    for (const KindInfo &info : kKinds) {
        if (info.kind == kind)
            return info;
    }
    return kKinds[0];
}

std::string Bytes(std::initializer_list<unsigned char> list)
{
    return std::string(list.begin(), list.end());
}

// Binary filler that never forms the "TAG" trailer or an HTML tag by accident, so a
// document is recognised by its signature and nothing else.
std::string BinaryPattern(std::uint64_t seed)
{
    std::string pattern(4096, '\0');
    std::uint64_t state = seed;
    for (char &c : pattern) {
        state = Mix64(state);
        auto b = static_cast<unsigned char>(state >> 56);
        if (b == 'T' || b == '<')
            b = 0xA5;
        c = static_cast<char>(b);
    }
    return pattern;
}

std::string RepeatedText(const std::string &line)
{
    std::string pattern;
    while (pattern.size() < 4096)
        pattern += line;
    return pattern;
}

} // namespace

bool DocumentKindFromName(const std::string &name, DocumentKind &kind)
{
    for (const KindInfo &info : kKinds) {
        if (name == info.name) {
            kind = info.kind;
            return true;
        }
    }
    return false;
}

const char *DocumentKindName(DocumentKind kind)
{
    return Info(kind).name;
}

const char *DefaultContentType(DocumentKind kind)
{
    return Info(kind).contentType;
}

DocumentBody::DocumentBody(DocumentKind kind, std::uint64_t size, std::uint64_t seed)
    : m_size(size)
{
    const std::uint64_t fillerSeed = Mix64(seed, static_cast<std::uint64_t>(kind) + 1);
    switch (kind) {
    case DocumentKind::Pdf:
        m_pattern = BinaryPattern(fillerSeed);
        place(0, "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
        if (size > 64)
            place(size - 7, "\n%%EOF\n");
        break;
    case DocumentKind::Caj:
        m_pattern = BinaryPattern(fillerSeed);
        place(0, Bytes({0xC8, 0x00, 0x00, 0x00}));
        break;
    case DocumentKind::Kdh:
        m_pattern = BinaryPattern(fillerSeed);
        place(0, "KDH ");
        break;
    case DocumentKind::Nh:
        m_pattern = BinaryPattern(fillerSeed);
        place(0, Bytes({'H', 'N', 0x00, 0x00}));
        break;
    case DocumentKind::Zip:
        m_pattern = BinaryPattern(fillerSeed);
        place(0, Bytes({'P', 'K', 0x03, 0x04, 0x14, 0x00, 0x00, 0x00, 0x08, 0x00}));
        break;
    case DocumentKind::Doc:
        m_pattern = BinaryPattern(fillerSeed);
        place(0, Bytes({0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1}));
        place(512, Bytes({0xEC, 0xA5, 0xC1, 0x00}));
        break;
    case DocumentKind::Png:
        m_pattern = BinaryPattern(fillerSeed);
        place(0, Bytes({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}));
        break;
    case DocumentKind::Html: {
        m_pattern = RepeatedText("<!-- litharvest sample portal page padding -->\n");
        const std::string head =
            "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head><meta charset=\"utf-8\">"
            "<title>\xE6\x96\x87\xE7\x8C\xAE\xE4\xB8\x8B\xE8\xBD\xBD\xE5\xA4\xB1\xE8\xB4\xA5"
            "</title></head>\n<body>\n<p>\xE8\xAF\xA5\xE6\x96\x87\xE7\x8C\xAE\xE6\x9A\x82"
            "\xE6\x97\xB6\xE6\x97\xA0\xE6\xB3\x95\xE4\xB8\x8B\xE8\xBD\xBD</p>\n";
        const std::string tail = "</body>\n</html>\n";
        if (size >= head.size() + tail.size()) {
            place(0, head);
            place(size - tail.size(), tail);
        } else {
            place(0, head + tail);
        }
        break;
    }
    case DocumentKind::Txt:
        m_pattern = RepeatedText("litharvest sample text document, plain filler line.\n");
        place(0, "litharvest sample text\n");
        break;
    case DocumentKind::Bin:
        m_pattern = BinaryPattern(fillerSeed);
        place(0, Bytes({0x00, 'L', 'H', 'B', 'I', 'N', 0x00}));
        break;
    }
}

void DocumentBody::place(std::uint64_t offset, const std::string &bytes)
{
    m_pieces.emplace_back(offset, bytes);
}

void DocumentBody::read(std::uint64_t offset, char *out, std::size_t length) const
{
    const std::uint64_t end = offset + length;
    const std::size_t period = m_pattern.size();
    std::size_t done = 0;
    while (done < length) {
        const std::size_t at = static_cast<std::size_t>((offset + done) % period);
        const std::size_t n = std::min(length - done, period - at);
        std::memcpy(out + done, m_pattern.data() + at, n);
        done += n;
    }
    // Fixed pieces win over the filler; anything beyond the document's end is cut off.
    for (const auto &[pieceOffset, bytes] : m_pieces) {
        const std::uint64_t pieceEnd = std::min<std::uint64_t>(pieceOffset + bytes.size(), m_size);
        const std::uint64_t from = std::max(offset, pieceOffset);
        const std::uint64_t to = std::min(end, pieceEnd);
        if (from < to)
            std::memcpy(out + (from - offset), bytes.data() + (from - pieceOffset),
                        static_cast<std::size_t>(to - from));
    }
}
