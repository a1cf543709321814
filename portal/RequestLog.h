#pragma once

// The portal's memory of the requests it was asked: method, target and the few request
// headers tests want to check (Referer, Via, Cookie, User-Agent, Host). Tests read it at
// <base>requests.txt to see what a download engine or a proxy really sent. httplib serves
// from a pool of threads, so every access is under one lock.
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>

namespace httplib {
struct Request;
}

class RequestLog final {
public:
    explicit RequestLog(std::size_t capacity = 200);

    // Remembers the request; the oldest one goes once the capacity is reached.
    void record(const httplib::Request &req);
    // A "#" header line naming the columns, then one line per request, oldest first,
    // fields separated by TAB.
    std::string text() const;

private:
    std::size_t m_capacity;
    mutable std::mutex m_mutex;
    std::deque<std::string> m_lines;
};
