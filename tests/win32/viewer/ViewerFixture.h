// The fixture of the viewer's window tests: an e-book written to a temporary folder, opened and
// served through the e-book protocol, with a main window over it; links leaving the book are
// collected instead of reaching a browser.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "TestBook.h"
#include "WinTestUtil.h"
#include "book/Book.h"
#include "platform/Profile.h"
#include "viewer/engines/BookProtocol.h"
#include "viewer/MainWindow.h"

// Three pages titled One, Two and Three, the toolbar with every button: the book the keyboard's
// and the screen readers' tests read.
inline CTestBook EveryButtonBook(const std::string& title) {
    CTestBook b;
    b.title = title;
    b.Page("index.htm", "<title>One</title>the first page")
        .Page("two.htm", "<title>Two</title>the second page")
        .Page("three.htm", "<title>Three</title>a third page");
    b.settings[kShowToolbar] = 1;
    for (int s : {kHomeButton, kPrevNextButtons, kHistoryButtons, kCopyButton, kSearchButton,
                  kFullScreenButton, kFontSizeButton, kPrintButton, kAboutButton, kExitButton})
        b.settings[s] = 1;
    return b;
}

class CViewerFixture : public ::testing::Test {
  protected:
    // Writes b behind a stub and opens it in a new window; browserClass: see CMainWindow::Create;
    // place: where the window keeps the reader's place (as "book.exe").
    void Open(const CTestBook& b, const CLSID* browserClass = nullptr, Profile* place = nullptr) {
        const std::string path = m_dir.File("book" + std::to_string(m_count++) + ".exe");
        b.Write(path, "MZ viewer stub for the window tests");
        m_window.reset();
        UnregisterBookProtocol();
        m_source.reset();
        m_book.reset(new CBook);
        ASSERT_TRUE(m_book->Open(path)) << m_book->GetErrorText();
        m_source.reset(new CBookSource(*m_book));
        ASSERT_EQ(RegisterBookProtocol(m_source.get()), S_OK);
        m_window.reset(new CMainWindow(*m_book));
        if (place)
            m_window->SetPlaceStore(place, "book.exe");
        ASSERT_TRUE(m_window->Create(GetModuleHandleA(nullptr), browserClass));
        m_window->Show(SW_SHOWNORMAL);
        m_window->SetLinkLauncher(
            [](void* self, const std::string& url) {
                static_cast<CViewerFixture*>(self)->m_launched.push_back(url);
            },
            this);
    }
    // Waits for the navigation under way to end either way.
    void WaitForPage() {
        EXPECT_TRUE(
            PumpUntil([this] { return m_window->GetNavOutcome() != NavOutcome::pending; }, 20000))
            << "navigation to " << m_window->CurrentUrl() << " never ended";
    }
    // Goes to url (or home) and waits for the navigation to end either way.
    void GoAndWait(const std::string& url = "") {
        if (url.empty())
            m_window->GoHome();
        else
            m_window->Go(url);
        WaitForPage();
        PumpIdle();
    }
    // Runs the viewer's loop until done, as its own message loop would.
    bool Until(const std::function<bool()>& done, DWORD ms = 5000) {
        CMainWindow* window = m_window.get();
        return PumpUntil(done, ms, [window](MSG* msg) { return window->PreTranslate(msg); });
    }
    void TearDown() override {
        m_window.reset();
        UnregisterBookProtocol();
        PumpIdle();
    }

    CTempFolder m_dir;
    int m_count = 0;
    std::unique_ptr<CBook> m_book;
    std::unique_ptr<CBookSource> m_source;
    std::unique_ptr<CMainWindow> m_window;
    std::vector<std::string> m_launched;  // links sent out of the book, in order
};
