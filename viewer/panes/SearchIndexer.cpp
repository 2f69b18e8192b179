#include "viewer/panes/SearchIndexer.h"

#include "book/Book.h"

bool CSearchIndexer::Start(HWND notify) {
    if (m_bBuilt.load())
        return true;
    if (m_thread) {
        if (notify == m_notify && IsRunning())
            return true;
        Cancel();  // a build for another window, or one that ended without an index
    }
    m_notify = notify;
    m_bCancel = false;
    m_thread = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
    return m_thread != nullptr;
}

bool CSearchIndexer::IsRunning() const {
    return m_thread && WaitForSingleObject(m_thread, 0) == WAIT_TIMEOUT;
}

void CSearchIndexer::Cancel() {
    if (!m_thread)
        return;
    m_bCancel = true;
    WaitForSingleObject(m_thread, INFINITE);
    CloseHandle(m_thread);
    m_thread = nullptr;
    // A cancelled build may have posted messages that are still queued; their receiver checks
    // IsRunning/IsBuilt before trusting them.
}

DWORD WINAPI CSearchIndexer::ThreadProc(void* param) {
    CSearchIndexer* self = static_cast<CSearchIndexer*>(param);
    // An exception leaving a thread ends the program: a book too large for the memory left
    // (a 32-bit viewer runs out long before the disk does) ends the search instead.
    try {
        self->Run();
    } catch (...) {
        PostMessageA(self->m_notify, WM_PV_INDEX_DONE, 0, 0);
    }
    return 0;
}

void CSearchIndexer::Run() {
    CBook book;
    bool ok = book.Open(m_strPath);
    if (ok) {
        const HWND notify = m_notify;
        ok = m_search.Build(book, &m_bCancel, [notify](size_t done, size_t total) {
            PostMessageA(notify, WM_PV_INDEX_PROGRESS, static_cast<WPARAM>(done),
                         static_cast<LPARAM>(total));
        });
    }
    if (ok)
        m_bBuilt = true;
    PostMessageA(m_notify, WM_PV_INDEX_DONE, ok ? 1 : 0, 0);
}
