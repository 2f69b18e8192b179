// The reader's path through the book, for Back and Forward.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class CBookHistory {
  public:
    // Records a page the reader went to. Visiting the current page again changes nothing;
    // otherwise everything ahead of the current position is dropped. The oldest entries go
    // when the history holds kMaxEntries.
    void Visit(const std::string& url);

    bool CanGoBack() const { return m_pos > 0; }
    bool CanGoForward() const { return m_pos + 1 < m_entries.size(); }
    // Moves one step and returns the URL there, or "" when that way is closed.
    std::string GoBack();
    std::string GoForward();

    // The current URL, or "" before the first visit.
    std::string Current() const;
    size_t Size() const { return m_entries.size(); }

    static constexpr size_t kMaxEntries = 1000;

  private:
    std::vector<std::string> m_entries;
    size_t m_pos = 0;  // index of the current entry when not empty
};
