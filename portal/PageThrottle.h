#pragma once

// The portal's rate limit on result pages: at most `pages` pages per window of `seconds`;
// further requests in the window get the verification notice until the window has passed.
// The window starts with the first page requested after the previous one ended.
#include <chrono>
#include <mutex>

class PageThrottle final {
public:
    PageThrottle(int pages, int seconds);

    // True when this page request may be served normally (and counts it).
    bool admit();

private:
    int m_pages;
    std::chrono::steady_clock::duration m_window;
    std::mutex m_mutex;
    std::chrono::steady_clock::time_point m_windowStart;
    int m_served = 0;
};
