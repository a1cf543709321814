#include "portal/PageThrottle.h"

PageThrottle::PageThrottle(int pages, int seconds)
    : m_pages(pages)
    , m_window(std::chrono::seconds(seconds))
{
}

bool PageThrottle::admit()
{
    if (m_pages <= 0)
        return true;
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto now = std::chrono::steady_clock::now();
    if (m_served == 0 || now - m_windowStart >= m_window) {
        m_windowStart = now;
        m_served = 0;
    }
    if (m_served < m_pages) {
        ++m_served;
        return true;
    }
    return false;
}
