// The book's contents (book/BookContents.h), found once per run on a thread of its own so that
// the window keeps answering while the pages are read. The thread reads through a second CBook
// opened on the same file, as the search index does: the pages go on being served through the
// first meanwhile. The contents pane and the search's result list both wait for it.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "book/BookContents.h"

// Posted to each window that asked (Start) when the work ends: wParam 1 when the contents were
// found, 0 when the build was cancelled or the book could not be read again.
const UINT WM_PV_CONTENTS_DONE = WM_APP + 42;

class CContentsBuilder {
  public:
    explicit CContentsBuilder(std::string bookPath) : m_strPath(std::move(bookPath)) {}
    // Cancels a build under way and waits for its thread.
    ~CContentsBuilder() { Cancel(); }
    CContentsBuilder(const CContentsBuilder&) = delete;
    CContentsBuilder& operator=(const CContentsBuilder&) = delete;

    // Asks for the contents: starts the build unless it is done or under way, and has
    // WM_PV_CONTENTS_DONE posted to notify when it ends (at once when it is done already).
    // Returns false when no thread could be started.
    bool Start(HWND notify);
    // Posts nothing more to notify (a window going away).
    void Forget(HWND notify);
    // Stops a build under way and waits for its thread; a later Start begins again.
    void Cancel();
    bool IsDone() const { return m_bDone.load(); }
    // The contents, once IsDone(); they do not change after that.
    const CContentsTree& Tree() const { return m_tree; }

  private:
    static DWORD WINAPI ThreadProc(void* param);
    void Finished(bool found);

    std::string m_strPath;
    CContentsTree m_tree;  // written by the thread only until m_bDone is set
    std::atomic<bool> m_bDone{false};
    std::atomic<bool> m_bCancel{false};
    HANDLE m_thread = nullptr;
    std::mutex m_lock;  // guards m_notify
    std::vector<HWND> m_notify;
};
