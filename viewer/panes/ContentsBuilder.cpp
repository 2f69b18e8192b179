#include "viewer/panes/ContentsBuilder.h"

#include <algorithm>

#include "book/Book.h"

bool CContentsBuilder::Start(HWND notify) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (notify && std::find(m_notify.begin(), m_notify.end(), notify) == m_notify.end())
            m_notify.push_back(notify);
    }
    if (m_bDone.load()) {
        PostMessageA(notify, WM_PV_CONTENTS_DONE, 1, 0);
        return true;
    }
    if (m_thread) {
        if (WaitForSingleObject(m_thread, 0) == WAIT_TIMEOUT)
            return true;        // under way
        CloseHandle(m_thread);  // a build that ended without contents: try again
        m_thread = nullptr;
    }
    m_bCancel = false;
    m_thread = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
    return m_thread != nullptr;
}

void CContentsBuilder::Forget(HWND notify) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_notify.erase(std::remove(m_notify.begin(), m_notify.end(), notify), m_notify.end());
}

void CContentsBuilder::Cancel() {
    if (!m_thread)
        return;
    m_bCancel = true;
    WaitForSingleObject(m_thread, INFINITE);
    CloseHandle(m_thread);
    m_thread = nullptr;
}

void CContentsBuilder::Finished(bool found) {
    std::lock_guard<std::mutex> lock(m_lock);
    for (HWND notify : m_notify)
        PostMessageA(notify, WM_PV_CONTENTS_DONE, found ? 1 : 0, 0);
}

DWORD WINAPI CContentsBuilder::ThreadProc(void* param) {
    CContentsBuilder* self = static_cast<CContentsBuilder*>(param);
    // An exception leaving a thread ends the program: a book too large for the memory left ends
    // the build instead, and the page list stays.
    bool found = false;
    try {
        CBook book;
        found =
            book.Open(self->m_strPath) && BuildBookContents(book, &self->m_tree, &self->m_bCancel);
    } catch (...) {
        found = false;
    }
    if (found)
        self->m_bDone = true;
    self->Finished(found);
    return 0;
}
