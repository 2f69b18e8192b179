// The words of the last search on the pages opened from it: every occurrence marked, and the
// next one selected and scrolled to on request (F3). The marking is done in the page's document
// by the browser engine; without one (no document) nothing happens.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CPageHits {
  public:
    // The terms (UTF-8 words and phrases) to mark from now on; empty ends the marking.
    void SetTerms(const std::vector<std::string>& utf8Terms);
    const std::vector<std::wstring>& Terms() const { return m_terms; }
    // Marks every occurrence of the terms in doc (a page's document) and selects the first.
    // Returns how many were marked.
    int Mark(IDispatch* doc) const;
    // Selects the first occurrence after the current selection, starting over at the top after
    // the last; false when the page holds none.
    bool SelectNext(IDispatch* doc) const;

  private:
    bool Select(IDispatch* doc, bool afterSelection) const;

    std::vector<std::wstring> m_terms;
};
