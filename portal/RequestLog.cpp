#include "portal/RequestLog.h"

#include <httplib.h>

namespace {

// A value as one field of one line. httplib hands header values over with their %XX
// escapes already decoded, so a line break may stand in one; it and every other byte
// outside printable ASCII (TAB, UTF-8) is written as %XX.
std::string Field(const std::string &value)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string field;
    field.reserve(value.size());
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            field += c;
        } else {
            field += '%';
            field += hex[byte >> 4];
            field += hex[byte & 0x0F];
        }
    }
    return field;
}

} // namespace

RequestLog::RequestLog(std::size_t capacity)
    : m_capacity(capacity)
{
}

void RequestLog::record(const httplib::Request &req)
{
    std::string line = Field(req.method) + '\t' + Field(req.target);
    for (const char *name : {"Referer", "Via", "Cookie", "User-Agent", "Host"})
        line += '\t' + Field(req.get_header_value(name));
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.push_back(std::move(line));
    while (m_lines.size() > m_capacity)
        m_lines.pop_front();
}

std::string RequestLog::text() const
{
    std::string text = "# method\ttarget\treferer\tvia\tcookie\tuser-agent\thost\n";
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const std::string &line : m_lines)
        text += line + '\n';
    return text;
}
