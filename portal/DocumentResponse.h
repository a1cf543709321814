#pragma once

// How the portal answers a document request: which bytes, which headers, and which of the
// misbehaviours downloads must survive (cut bodies, stalls, trickles, error statuses,
// redirect chains, odd headers). /file takes every choice from the query; /download starts
// from the choices the seed gives the result's document and lets the query override them.
#include "portal/DocumentBody.h"

#include <cstdint>
#include <string>

namespace httplib {
struct Request;
struct Response;
} // namespace httplib

class SessionStore;

struct DocumentChoice final {
    DocumentKind kind = DocumentKind::Pdf;
    std::uint64_t size = 1000;
    std::uint64_t contentSeed = 0;
    bool hasContentType = false;
    std::string contentType; // used when hasContentType; else the kind's default
    std::string disposition = "none"; // plain | quoted | utf8 | gbk | star | none
    std::string name = "\xE6\x8A\xA5\xE5\x91\x8A"; // 报告
    std::string ext; // empty: the kind's name
    bool noLength = false;
    bool chunked = false;
    int cutPercent = -1;
    int stallSeconds = 0;
    std::uint64_t stallAfter = 0;
    std::uint64_t trickle = 0;
    int status = 0;
    int redirects = 0;
    bool badScheme = false;
    int garbage = 0; // 1: a line without a colon, 2: a line with a colon but no field name
    bool login = false;
    int delayMs = 0;
};

// Reads the query parameters over the given defaults; false with a reason for a bad value.
bool ApplyDocumentParams(const httplib::Request &request, DocumentChoice &choice, std::string &error);

// The Content-Disposition value for the choice, empty for "none".
std::string ContentDispositionValue(const DocumentChoice &choice);

// Answers the request. requireLogin is the portal-wide --require-login.
void ServeDocument(const httplib::Request &request, httplib::Response &response,
                   const DocumentChoice &choice, const SessionStore &sessions, bool requireLogin);

// A small HTML page with the given status, used for errors and bad requests.
void ServeStatusPage(httplib::Response &response, int status, const std::string &text);
