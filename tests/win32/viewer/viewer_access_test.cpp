// What a screen reader learns from the viewer through oleacc, as Narrator or NVDA would ask: the
// toolbar's buttons (name, role, state, key, pressing one), the contents pane and the message in
// place of the page, the search field, the results with the text around each match, the status
// line announced when a search ends.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <string>
#include <vector>

#include "TestBook.h"
#include "ViewerFixture.h"
#include "WinTestUtil.h"
#include "platform/win/ComPtr.h"
#include "viewer/Accessible.h"
#include "viewer/MainWindow.h"
#include "viewer/panes/Dialogs.h"
#include "viewer/resource.h"

namespace {

CComPtr<IAccessible> ObjectOf(HWND hwnd) {
    CComPtr<IAccessible> acc;
    EXPECT_EQ(AccessibleObjectFromWindow(hwnd, OBJID_CLIENT, kIID_IAccessible, acc.Out()), S_OK);
    return acc;
}

VARIANT Child(long id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

std::wstring Take(BSTR b) {
    std::wstring s = b ? std::wstring(b, SysStringLen(b)) : std::wstring();
    SysFreeString(b);
    return s;
}

std::wstring Name(IAccessible* acc, long child = CHILDID_SELF) {
    BSTR b = nullptr;
    acc->get_accName(Child(child), &b);
    return Take(b);
}

std::wstring Description(IAccessible* acc, long child) {
    BSTR b = nullptr;
    acc->get_accDescription(Child(child), &b);
    return Take(b);
}

std::wstring Shortcut(IAccessible* acc, long child) {
    BSTR b = nullptr;
    acc->get_accKeyboardShortcut(Child(child), &b);
    return Take(b);
}

long Role(IAccessible* acc, long child = CHILDID_SELF) {
    VARIANT v;
    VariantInit(&v);
    return SUCCEEDED(acc->get_accRole(Child(child), &v)) && v.vt == VT_I4 ? v.lVal : -1;
}

long State(IAccessible* acc, long child) {
    VARIANT v;
    VariantInit(&v);
    return SUCCEEDED(acc->get_accState(Child(child), &v)) && v.vt == VT_I4 ? v.lVal : -1;
}

long ChildCount(IAccessible* acc) {
    long n = -1;
    acc->get_accChildCount(&n);
    return n;
}

class ViewerAccess : public CViewerFixture {
  protected:
    static CTestBook Book() { return EveryButtonBook("Access Book"); }
};

TEST_F(ViewerAccess, ToolbarButtonsHaveNamesRolesStatesAndKeys) {
    Open(Book());
    GoAndWait();
    CComPtr<IAccessible> toolbar = ObjectOf(m_window->GetToolbar());
    ASSERT_TRUE(toolbar);
    EXPECT_EQ(Name(toolbar.get()), L"Toolbar");
    EXPECT_EQ(Role(toolbar.get()), ROLE_SYSTEM_TOOLBAR);
    const struct {
        const wchar_t* name;
        const wchar_t* key;
        bool enabled;  // on the home page, with nothing to go back to
    } buttons[] = {
        {L"Home", L"Alt+Home", true},
        {L"Previous", L"Ctrl+Page Up", false},
        {L"Next", L"Ctrl+Page Down", true},
        {L"Back", L"Alt+Left", false},
        {L"Forward", L"Alt+Right", false},
        {L"Copy", L"Ctrl+C", false},
        {L"Search", L"Ctrl+Shift+F", true},
        {L"Full Screen", L"F11", true},
        {L"Font Size", L"Ctrl+Plus, Ctrl+Minus", true},
        {L"Print", L"Ctrl+P", false},
        {L"About", L"F1", true},
        {L"Exit", L"Alt+F4", true},
    };
    ASSERT_EQ(ChildCount(toolbar.get()), 12);
    RECT bar;
    GetWindowRect(m_window->GetToolbar(), &bar);
    for (long i = 1; i <= 12; ++i) {
        const auto& b = buttons[i - 1];
        SCOPED_TRACE(std::string(b.name, b.name + wcslen(b.name)));
        EXPECT_EQ(Name(toolbar.get(), i), b.name);
        EXPECT_EQ(Role(toolbar.get(), i), ROLE_SYSTEM_PUSHBUTTON);
        EXPECT_EQ(Shortcut(toolbar.get(), i), b.key);
        // Copy and Print wait for a page that shows, which this Wine cannot draw.
        if (b.enabled || m_window->GetNavOutcome() != NavOutcome::complete) {
            EXPECT_EQ((State(toolbar.get(), i) & STATE_SYSTEM_UNAVAILABLE) == 0, b.enabled);
        }
        // Where the button is, and that a point in it is the button.
        long x = 0, y = 0, w = 0, h = 0;
        ASSERT_EQ(toolbar->accLocation(&x, &y, &w, &h, Child(i)), S_OK);
        EXPECT_GT(w, 0);
        EXPECT_TRUE(x >= bar.left && x + w <= bar.right && y >= bar.top && y + h <= bar.bottom);
        VARIANT hit;
        VariantInit(&hit);
        ASSERT_EQ(toolbar->accHitTest(x + w / 2, y + h / 2, &hit), S_OK);
        EXPECT_EQ(hit.vt, VT_I4);
        EXPECT_EQ(hit.lVal, i);
    }
    // A reader presses Next through its screen reader.
    ASSERT_EQ(toolbar->accDoDefaultAction(Child(3)), S_OK);
    EXPECT_TRUE(PumpUntil([this] { return m_window->CurrentUrl() == "e-book://two.htm"; }, 10000));
    WaitForPage();
    EXPECT_EQ(State(toolbar.get(), 4) & STATE_SYSTEM_UNAVAILABLE, 0) << "Back after a move";
    // A button that cannot act is not pressed.
    SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_NEXT, 0);
    WaitForPage();
    EXPECT_EQ(toolbar->accDoDefaultAction(Child(3)), S_FALSE);
    EXPECT_EQ(Name(toolbar.get(), 13), L"");
}

TEST_F(ViewerAccess, ThePaneAndTheMessageInPlaceOfThePageAreNamed) {
    Open(Book());
    SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_CONTENTS, 0);
    GoAndWait();
    CComPtr<IAccessible> pane = ObjectOf(m_window->Contents().GetHwnd());
    ASSERT_TRUE(pane);
    EXPECT_EQ(Name(pane.get()), L"Contents");
    EXPECT_EQ(Role(pane.get()), ROLE_SYSTEM_OUTLINE);
    CComPtr<IAccessible> marks = ObjectOf(m_window->GetBookmarksList());
    ASSERT_TRUE(marks);
    EXPECT_EQ(Name(marks.get()), L"Bookmarks");
    EXPECT_EQ(Role(marks.get()), ROLE_SYSTEM_LIST);
    if (IsWindowVisible(m_window->GetMessagePane())) {
        CComPtr<IAccessible> message = ObjectOf(m_window->GetMessagePane());
        ASSERT_TRUE(message);
        EXPECT_EQ(Role(message.get()), ROLE_SYSTEM_STATICTEXT);
        const std::wstring name = Name(message.get());
        EXPECT_EQ(std::string(name.begin(), name.end()), m_window->GetMessageText());
    }
}

// Win events of the test thread's windows, recorded as they arrive.
std::vector<std::pair<DWORD, HWND>> g_events;
void CALLBACK RecordEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG, LONG, DWORD, DWORD) {
    g_events.push_back({event, hwnd});
}

TEST_F(ViewerAccess, TheSearchFieldResultsAndStatusSpeak) {
    Open(Book());
    HWND dlg = CreateSearchDialog(m_window->GetHwnd(), *m_book, m_window->SearchIndexer());
    ASSERT_NE(dlg, nullptr);
    CComPtr<IAccessible> field = ObjectOf(GetDlgItem(dlg, IDC_SEARCH_TEXT));
    EXPECT_EQ(Name(field.get()), L"Find pages containing:");
    EXPECT_EQ(Role(field.get()), ROLE_SYSTEM_TEXT);

    g_events.clear();
    const DWORD kLiveRegionChanged = 0x8019;
    HWINEVENTHOOK hook =
        SetWinEventHook(kLiveRegionChanged, kLiveRegionChanged, nullptr, RecordEvent,
                        GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    HWND list = GetDlgItem(dlg, IDC_SEARCH_RESULTS);
    HWND status = GetDlgItem(dlg, IDC_SEARCH_STATUS);
    SetDlgItemTextW(dlg, IDC_SEARCH_TEXT, L"page");
    SendMessageW(dlg, WM_COMMAND, IDC_SEARCH_GO, 0);
    ASSERT_TRUE(PumpUntil([list] { return SendMessageW(list, LB_GETCOUNT, 0, 0) == 3; }, 10000));
    // The end of the search is announced: the status line changed and says how many.
    EXPECT_TRUE(PumpUntil([status] { return g_events.size() >= 2; }, 2000));
    UnhookWinEvent(hook);
    for (const auto& e : g_events)
        EXPECT_EQ(e.second, status);
    CComPtr<IAccessible> line = ObjectOf(status);
    EXPECT_EQ(Name(line.get()), L"3 pages found.");

    CComPtr<IAccessible> results = ObjectOf(list);
    EXPECT_EQ(Name(results.get()), L"Search results");
    EXPECT_EQ(Role(results.get()), ROLE_SYSTEM_LIST);
    ASSERT_EQ(ChildCount(results.get()), 3);
    const wchar_t* titles[] = {L"One", L"Two", L"Three"};
    const wchar_t* snippets[] = {L"the first page", L"the second page", L"a third page"};
    for (long i = 1; i <= 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Name(results.get(), i), titles[i - 1]);
        EXPECT_EQ(Description(results.get(), i), snippets[i - 1]);
        EXPECT_EQ(Role(results.get(), i), ROLE_SYSTEM_LISTITEM);
        EXPECT_EQ((State(results.get(), i) & STATE_SYSTEM_SELECTED) != 0, i == 1);
    }
    // Selecting through the screen reader selects in the list, and the snippet follows.
    ASSERT_EQ(results->accSelect(SELFLAG_TAKESELECTION | SELFLAG_TAKEFOCUS, Child(3)), S_OK);
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 2);
    wchar_t snippet[64] = {};
    GetDlgItemTextW(dlg, IDC_SEARCH_SNIPPET, snippet, 64);
    EXPECT_STREQ(snippet, L"a third page");
    EXPECT_TRUE(State(results.get(), 3) & STATE_SYSTEM_FOCUSED);
    VARIANT focus;
    VariantInit(&focus);
    ASSERT_EQ(results->get_accFocus(&focus), S_OK);
    EXPECT_EQ(focus.lVal, 3);
    EXPECT_EQ(Name(results.get(), 4), L"");  // no such item
    // Its default action opens the page.
    ASSERT_EQ(results->accDoDefaultAction(Child(2)), S_OK);
    EXPECT_TRUE(PumpUntil([this] { return m_window->CurrentUrl() == "e-book://two.htm"; }, 5000));
}

}  // namespace
