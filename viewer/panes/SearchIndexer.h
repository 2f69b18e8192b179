// The book's search index, built once per run on a thread of its own so that the window keeps
// answering while the pages are read. The thread reads through a second CBook opened on the same
// file: the protocol handler goes on reading pages through the first at the same time, and a
// CBook is not meant to be shared between threads.
#pragma once

#include <windows.h>

#include <atomic>
#include <utility>
#include <string>

#include "book/BookSearch.h"

// Messages posted to the window given to Start: progress (wParam pages read, lParam pages in
// all), then the end (wParam 1 when the index is ready, 0 when it was cancelled or the book could
// not be read again).
const UINT WM_PV_INDEX_PROGRESS = WM_APP + 40;
const UINT WM_PV_INDEX_DONE = WM_APP + 41;

class CSearchIndexer {
  public:
    explicit CSearchIndexer(std::string bookPath) : m_strPath(std::move(bookPath)) {}
    // Cancels a build under way and waits for its thread.
    ~CSearchIndexer() { Cancel(); }
    CSearchIndexer(const CSearchIndexer&) = delete;
    CSearchIndexer& operator=(const CSearchIndexer&) = delete;

    // Starts building for notify unless the index is ready or a build is under way. Returns
    // false when no thread could be started.
    bool Start(HWND notify);
    // Stops a build under way and waits for its thread; a later Start begins again.
    void Cancel();
    bool IsBuilt() const { return m_bBuilt.load(); }
    bool IsRunning() const;
    // The index; only once IsBuilt().
    const CBookSearch& Search() const { return m_search; }

  private:
    static DWORD WINAPI ThreadProc(void* param);
    void Run();

    std::string m_strPath;
    CBookSearch m_search;  // written by the thread only until m_bBuilt is set
    std::atomic<bool> m_bBuilt{false};
    std::atomic<bool> m_bCancel{false};
    HANDLE m_thread = nullptr;
    HWND m_notify = nullptr;
};
