#pragma once

// Sign-in side of the sample portal: the sign-in page variants whose INPUT elements the
// program's automatic sign-in fills, the session cookie a successful sign-in sets, and the
// check the document routes make before they hand out a document.
#include <cstdint>
#include <mutex>
#include <set>
#include <string>

namespace httplib {
struct Request;
struct Response;
class Server;
} // namespace httplib

class SessionStore final {
public:
    explicit SessionStore(std::uint64_t seed) : m_seed(seed) {}

    // A new session token (deterministic sequence per seed).
    std::string issue();
    bool isValid(const std::string &token) const;
    void revoke(const std::string &token);

    // True when the request carries the cookie of a session this portal issued.
    bool isSignedIn(const httplib::Request &request) const;

    static const char *cookieName() { return "LHSESSION"; }

private:
    std::uint64_t m_seed;
    std::uint64_t m_counter = 0;
    mutable std::mutex m_mutex;
    std::set<std::string> m_tokens;
};

// The page answered instead of a document to a request without a valid session.
std::string SignInGatePage();

void RegisterSignInRoutes(httplib::Server &server, SessionStore &sessions);
