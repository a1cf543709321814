#pragma once

// Small text helpers the portal's pages and headers need: HTML escaping, percent
// encoding, and GBK bytes for the Content-Disposition form that real servers send in the
// system code page.
#include <string>

std::string HtmlEscape(const std::string &text);

// Percent-encodes every byte outside A-Z a-z 0-9 - . _ ~ (upper-case hex digits).
std::string PercentEncode(const std::string &bytes);

// UTF-8 to GB18030/GBK bytes; false when the text cannot be converted.
bool Utf8ToGbk(const std::string &utf8, std::string &gbk);

std::string TrimAscii(const std::string &text);
