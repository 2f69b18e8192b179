// The viewer's colours: Windows' app mode read from the registry value Windows keeps it in and
// followed live, the title bar's dark attribute, the toolbar, pane, message and dialogs drawn
// dark and back, high contrast winning over everything, the reader's own choice remembered for
// every book. What reaches the screen is read back from the screen.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "TestBook.h"
#include "ViewerFixture.h"
#include "WinTestUtil.h"
#include "platform/Profile.h"
#include "viewer/MainWindow.h"
#include "viewer/Theme.h"
#include "viewer/panes/Dialogs.h"
#include "viewer/resource.h"

namespace {

const wchar_t kPersonalize[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
const COLORREF kDarkWindow = RGB(32, 32, 32);
const COLORREF kDarkFace = RGB(43, 43, 43);

// Windows' app mode as the registry holds it: absent, 1 (light) or 0 (dark).
void SetAppMode(int value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kPersonalize, 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (value < 0) {
        RegDeleteValueW(key, L"AppsUseLightTheme");
    } else {
        const DWORD v = static_cast<DWORD>(value);
        RegSetValueExW(key, L"AppsUseLightTheme", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v),
                       sizeof(v));
    }
    RegCloseKey(key);
}

// The system as the tests play it: the real registry, high contrast as the test says, and every
// title-bar attribute the theme asks for recorded (refused for the attributes listed).
struct FakeSystem {
    static bool highContrast;
    static std::vector<DWORD> refused;
    static std::vector<std::pair<DWORD, BOOL>> calls;
    static bool HighContrast() { return highContrast; }
    static HRESULT WINAPI SetAttribute(HWND, DWORD attribute, LPCVOID value, DWORD size) {
        if (size != sizeof(BOOL))
            return E_INVALIDARG;
        calls.push_back({attribute, *static_cast<const BOOL*>(value)});
        for (DWORD r : refused) {
            if (r == attribute)
                return E_INVALIDARG;
        }
        return S_OK;
    }
};
bool FakeSystem::highContrast = false;
std::vector<DWORD> FakeSystem::refused;
std::vector<std::pair<DWORD, BOOL>> FakeSystem::calls;

class ViewerTheme : public CViewerFixture {
  protected:
    void SetUp() override {
        FakeSystem::highContrast = false;
        FakeSystem::refused.clear();
        FakeSystem::calls.clear();
        ThemeSystem system = RealThemeSystem();
        system.highContrast = FakeSystem::HighContrast;
        system.setWindowAttribute = FakeSystem::SetAttribute;
        SetThemeSystem(system);
        SetAppMode(-1);
    }
    void TearDown() override {
        CViewerFixture::TearDown();
        SetThemeSystem(RealThemeSystem());
        SetAppMode(-1);
    }
    static CTestBook Book() {
        CTestBook b;
        b.title = "Colour Book";
        b.Page("index.htm", "<title>One</title>first page").Page("two.htm", "<title>Two</title>x");
        b.settings[kShowToolbar] = 1;
        b.settings[kHomeButton] = 1;
        b.settings[kSearchButton] = 1;
        return b;
    }
    // Opens the book with the contents pane open and the message shown in place of the page.
    // The pane opens by itself when the profile remembers it open for this book.
    void OpenShown(Profile* profile = nullptr) {
        Open(Book(), nullptr, profile);
        if (!IsWindowVisible(m_window->Contents().GetHwnd()))
            SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_CONTENTS, 0);
        ASSERT_TRUE(IsWindowVisible(m_window->Contents().GetHwnd()));
        GoAndWait();
    }
    void SendColourChange() {
        SendMessageA(m_window->GetHwnd(), WM_SETTINGCHANGE, 0,
                     reinterpret_cast<LPARAM>("ImmersiveColorSet"));
        PaintNow(m_window->GetHwnd());
    }
    // A pixel of a window's client area, from the screen: dx, dy from its bottom right corner.
    static COLORREF Pixel(HWND hwnd, int dx, int dy) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        POINT pt = {rc.right - dx, rc.bottom - dy};
        ClientToScreen(hwnd, &pt);
        return ScreenPixel(pt.x, pt.y);
    }
    // Where the windows keep the reader's choice; it outlives them.
    MemoryProfile m_profile;
    // The colours of the window's parts as the screen shows them, and the frame's last request.
    void ExpectDrawn(bool dark, const char* when) {
        SCOPED_TRACE(when);
        PaintNow(m_window->GetHwnd());
        EXPECT_EQ(m_window->Theme().IsDark(), dark);
        const HWND tree = m_window->Contents().GetHwnd();
        EXPECT_EQ(TreeView_GetBkColor(tree), dark ? kDarkWindow : static_cast<COLORREF>(-1));
        EXPECT_EQ(Pixel(tree, 8, 8), dark ? kDarkWindow : GetSysColor(COLOR_WINDOW));
        EXPECT_EQ(Pixel(m_window->GetBookmarksList(), 8, 8),
                  dark ? kDarkWindow : GetSysColor(COLOR_WINDOW));
        // A flat toolbar shows the window behind it, unless the dark theme draws it.
        EXPECT_EQ(Pixel(m_window->GetToolbar(), 4, 4),
                  dark ? kDarkFace : GetSysColor(COLOR_WINDOW));
        if (IsWindowVisible(m_window->GetMessagePane())) {
            EXPECT_EQ(Pixel(m_window->GetMessagePane(), 4, 4),
                      dark ? kDarkWindow : GetSysColor(COLOR_WINDOW));
        }
        ASSERT_FALSE(FakeSystem::calls.empty());
        EXPECT_EQ(FakeSystem::calls.back(), std::make_pair(DWORD(20), dark ? TRUE : FALSE));
    }
};

TEST_F(ViewerTheme, FollowsWindowsAppModeAndItsChangesLive) {
    const struct {
        const char* name;
        int appMode;  // AppsUseLightTheme: -1 none
        bool dark;
    } cases[] = {{"no value", -1, false}, {"light", 1, false}, {"dark", 0, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetAppMode(c.appMode);
        OpenShown();
        ExpectDrawn(c.dark, "at start");
        SaveScreenshot(c.dark ? "theme-dark" : "theme-light");
        // The reader switches Windows' mode while the book is open.
        SetAppMode(c.dark ? 1 : 0);
        SendColourChange();
        ExpectDrawn(!c.dark, "after the switch");
        // Other settings leave the colours as they are.
        SetAppMode(c.dark ? 0 : 1);
        SendMessageA(m_window->GetHwnd(), WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
        EXPECT_EQ(m_window->Theme().IsDark(), !c.dark);
    }
}

TEST_F(ViewerTheme, TheTitleBarAttributeOfOlderWindows10IsTheFallback) {
    const struct {
        const char* name;
        std::vector<DWORD> refused;
        std::vector<std::pair<DWORD, BOOL>> calls;
    } cases[] = {
        {"Windows 11 and 10 20H1", {}, {{20, TRUE}}},
        {"Windows 10 before 20H1", {20}, {{20, TRUE}, {19, TRUE}}},
        {"neither (older Windows)", {19, 20}, {{20, TRUE}, {19, TRUE}}},
    };
    SetAppMode(0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSystem::refused = c.refused;
        FakeSystem::calls.clear();
        Open(Book());
        ASSERT_GE(FakeSystem::calls.size(), c.calls.size());
        const std::vector<std::pair<DWORD, BOOL>> first(FakeSystem::calls.begin(),
                                                        FakeSystem::calls.begin() + c.calls.size());
        EXPECT_EQ(first, c.calls);
        EXPECT_TRUE(m_window->Theme().IsDark());
    }
}

TEST_F(ViewerTheme, HighContrastWinsOverWindowsAndTheReader) {
    m_profile.values[{"", "Colours"}] = "dark";
    SetAppMode(0);
    FakeSystem::highContrast = true;
    OpenShown(&m_profile);
    ExpectDrawn(false, "high contrast at start");
    EXPECT_TRUE(m_window->Theme().IsHighContrast());
    EXPECT_EQ(m_window->Theme().SchemeForPages(), PageScheme::automatic);
    // Leaving high contrast (a system-parameter change) brings the reader's dark back.
    FakeSystem::highContrast = false;
    SendMessageA(m_window->GetHwnd(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    PaintNow(m_window->GetHwnd());
    ExpectDrawn(true, "high contrast off");
    EXPECT_EQ(m_window->Theme().SchemeForPages(), PageScheme::dark);
    // And entering it again, as WM_SYSCOLORCHANGE also says.
    FakeSystem::highContrast = true;
    SendMessageA(m_window->GetHwnd(), WM_SYSCOLORCHANGE, 0, 0);
    PaintNow(m_window->GetHwnd());
    ExpectDrawn(false, "high contrast on again");
}

TEST_F(ViewerTheme, TheReadersChoiceOverridesWindowsForEveryBook) {
    MemoryProfile& profile = m_profile;
    SetAppMode(1);
    OpenShown(&profile);
    ExpectDrawn(false, "following a light Windows");
    SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_COLOURS_DARK, 0);
    PaintNow(m_window->GetHwnd());
    ExpectDrawn(true, "the reader's dark");
    EXPECT_EQ((profile.values[{"", "Colours"}]), "dark");
    // A change of Windows' mode does not undo the reader's choice.
    SendColourChange();
    EXPECT_TRUE(m_window->Theme().IsDark());
    // The context menu shows the choice.
    HMENU menu = m_window->BuildContextMenu();
    EXPECT_TRUE(GetMenuState(menu, IDM_COLOURS_DARK, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(menu, IDM_COLOURS_WINDOWS, MF_BYCOMMAND) & MF_CHECKED);
    DestroyMenu(menu);

    // Another book (a section of its own in the same profile) opens dark too.
    OpenShown(&profile);
    ExpectDrawn(true, "the next book");
    SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_COLOURS_WINDOWS, 0);
    EXPECT_FALSE(m_window->Theme().IsDark());
    EXPECT_EQ((profile.values[{"", "Colours"}]), "windows");

    // Values that are not understood follow Windows.
    SetAppMode(0);
    for (const char* bad : {"", "Dark ", "purple", "light\ndark"}) {
        SCOPED_TRACE(bad);
        profile.values[{"", "Colours"}] = bad;
        Open(Book(), nullptr, &profile);
        EXPECT_EQ(m_window->Theme().Choice(), ColourChoice::followWindows);
        EXPECT_TRUE(m_window->Theme().IsDark());
    }
}

TEST_F(ViewerTheme, TheDialogsFollowTheWindowsColours) {
    m_profile.values[{"", "Colours"}] = "dark";
    OpenShown(&m_profile);
    HWND search = CreateSearchDialog(m_window->GetHwnd(), *m_book, m_window->SearchIndexer(),
                                     nullptr, &m_window->Theme());
    ASSERT_NE(search, nullptr);
    SetDlgItemTextW(search, IDC_SEARCH_TEXT, L"page");
    SendMessageW(search, WM_COMMAND, IDC_SEARCH_GO, 0);
    HWND list = GetDlgItem(search, IDC_SEARCH_RESULTS);
    ASSERT_TRUE(PumpUntil([list] { return SendMessageW(list, LB_GETCOUNT, 0, 0) > 0; }, 10000));
    PaintNow(search);
    SaveScreenshot("theme-search-dark");
    HWND status = GetDlgItem(search, IDC_SEARCH_STATUS);
    const struct {
        const char* name;
        HWND hwnd;
        COLORREF dark;
        int light;
    } parts[] = {
        {"dialog", search, kDarkFace, COLOR_BTNFACE},
        {"results", list, kDarkWindow, COLOR_WINDOW},
        {"status", status, kDarkFace, COLOR_BTNFACE},
    };
    for (const auto& p : parts)
        EXPECT_EQ(Pixel(p.hwnd, 3, 3), p.dark) << p.name << " dark";
    EXPECT_EQ(FakeSystem::calls.back(), std::make_pair(DWORD(20), TRUE));

    // The reader's choice reaches the open dialog.
    FakeSystem::calls.clear();
    SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_COLOURS_LIGHT, 0);
    PaintNow(search);
    for (const auto& p : parts)
        EXPECT_EQ(Pixel(p.hwnd, 3, 3), GetSysColor(p.light)) << p.name << " light";
    // Both the window's and the dialog's title bars were set light.
    int frames = 0;
    for (const auto& call : FakeSystem::calls)
        frames += call == std::make_pair(DWORD(20), FALSE) ? 1 : 0;
    EXPECT_EQ(frames, 2);
    DestroyWindow(search);

    HWND about = CreateAboutBox(m_window->GetHwnd(), *m_book, &m_window->Theme());
    SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_COLOURS_DARK, 0);
    PaintNow(about);
    EXPECT_EQ(Pixel(about, 3, 3), kDarkFace);
    DestroyWindow(about);
}

}  // namespace
