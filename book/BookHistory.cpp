#include "book/BookHistory.h"

void CBookHistory::Visit(const std::string& url) {
    if (!m_entries.empty()) {
        if (m_entries[m_pos] == url)
            return;
        m_entries.resize(m_pos + 1);
    }
    m_entries.push_back(url);
    if (m_entries.size() > kMaxEntries)
        m_entries.erase(m_entries.begin());
    m_pos = m_entries.size() - 1;
}

std::string CBookHistory::GoBack() {
    if (!CanGoBack())
        return std::string();
    return m_entries[--m_pos];
}

std::string CBookHistory::GoForward() {
    if (!CanGoForward())
        return std::string();
    return m_entries[++m_pos];
}

std::string CBookHistory::Current() const {
    return m_entries.empty() ? std::string() : m_entries[m_pos];
}
