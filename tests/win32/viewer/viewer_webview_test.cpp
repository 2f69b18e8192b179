// The viewer on WebView2, played by the stand-in runtime installed in the test prefix as the
// real one is: the engine chosen at start, the book's pages answered from the store with their
// types, links, new windows and downloads, keys with the book's buttons on and off, the context
// menu, text size, the search's marks, and every way back to the browser control without a word
// to the reader.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "StandInInstall.h"
#include "WebViewFixture.h"
#include "TestBook.h"
#include "ViewerFixture.h"
#include "WinTestUtil.h"
#include "platform/win/WinText.h"
#include "book/Book.h"
#include "book/BookWeb.h"
#include "viewer/engines/BookProtocol.h"
#include "platform/Profile.h"
#include "viewer/MainWindow.h"
#include "viewer/Theme.h"
#include "viewer/engines/WebViewApi.h"
#include "viewer/resource.h"

namespace {

// Holds Ctrl (or other keys) down in this thread's keyboard state while it lives.
struct HeldKeys {
    BYTE saved[256];
    explicit HeldKeys(std::initializer_list<int> keys) {
        GetKeyboardState(saved);
        BYTE now[256];
        std::memcpy(now, saved, sizeof(now));
        for (int k : keys)
            now[k] = 0x80;
        SetKeyboardState(now);
    }
    ~HeldKeys() { SetKeyboardState(saved); }
};

class ViewerWebView : public CWebViewFixture {
  protected:
    static CTestBook Book(bool buttonsOn = true) {
        CTestBook b;
        b.title = "Web Book";
        b.Page("index.htm", "<title>One</title><p>first page</p>")
            .Page("two.htm", "<title>Two</title><p>second page</p>")
            .Page("sub/Chapter Three.htm", "<title>Three</title><p>third page</p>")
            .Page("style.css", "p { color: navy }", false, false)
            .Page("pic.png", std::string("\x89PNG\r\n\x1a\n", 8), false, false);
        b.settings[kShowToolbar] = 1;
        for (int s : {kHomeButton, kPrevNextButtons, kHistoryButtons, kCopyButton, kSearchButton,
                      kFullScreenButton, kFontSizeButton, kPrintButton, kAboutButton, kExitButton})
            b.settings[s] = buttonsOn;
        return b;
    }
    // Opens b in a window that may choose WebView2 (the stand-in, when installed).
    void OpenWeb(const CTestBook& b) {
        StandIn().Reset();
        Open(b);
    }
    void Command(int id) {
        SendMessageA(m_window->GetHwnd(), WM_COMMAND, id, 0);
        WaitForPageAndStandIn();
    }
    // Waits for the navigation under way to end and for the stand-in's callbacks to arrive.
    void WaitForPageAndStandIn() {
        EXPECT_TRUE(PumpUntil(
            [this] {
                return m_window->GetNavOutcome() != NavOutcome::pending && StandIn().Pending() == 0;
            },
            20000));
        PumpIdle();
    }
    std::string Caption() {
        char text[200];
        GetWindowTextA(m_window->GetHwnd(), text, sizeof(text));
        return text;
    }

    MemoryProfile m_place;  // outlives the windows, which write to it on closing
};

TEST_F(ViewerWebView, PagesComeFromTheStoreWithTheirTypes) {
    InstallStandIn();
    OpenWeb(Book());
    EXPECT_EQ(m_window->EngineKind(), "webview2");
    GoAndWait();
    const StandIn s;
    EXPECT_EQ(m_window->GetNavOutcome(), NavOutcome::complete) << m_window->GetMessageText();
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://index.htm");
    EXPECT_EQ(m_window->GetMessageText(), "");
    EXPECT_EQ(Caption(), "Web Book - One");
    // The book's own origin, made from its file's path.
    const std::string o = BookWebOrigin(m_book->GetPath());
    EXPECT_EQ(o.rfind("https://pagevane-", 0), 0u) << o;
    EXPECT_EQ(s.Get("navigated"), o + "index.htm\n");
    EXPECT_EQ(s.Get("filters"), o + "* 0\n");
    EXPECT_EQ(s.Get("runtimeType"), "0");

    // What the page asks for, answered from the store.
    const struct {
        std::string uri;
        int status;
        const char* type;
        const char* body;  // nullptr: only the type and status are checked
    } requests[] = {
        {o + "style.css", 200, "text/css", "p { color: navy }"},
        {o + "sub/Chapter%20Three.htm", 200, "text/html", "<title>Three</title><p>third page</p>"},
        {"HTTPS://PAGEVANE-" + o.substr(17) + "sub/../two.htm?x=1#top", 200, "text/html",
         "<title>Two</title><p>second page</p>"},
        {o + "pic.png", 200, "image/png", nullptr},
        {o + "gone.htm", 404, "text/html", nullptr},
    };
    for (const auto& r : requests) {
        SCOPED_TRACE(r.uri);
        std::string type, body;
        EXPECT_EQ(s.Request(CWinText::Wide(r.uri).c_str(), &type, &body), r.status);
        EXPECT_EQ(type, r.type);
        if (r.body) {
            EXPECT_EQ(body, r.body);
        }
    }

    // The toolbar and history drive the control as they drive the browser control.
    Command(IDM_NEXT);
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://two.htm");
    EXPECT_EQ(Caption(), "Web Book - Two");
    GoAndWait("e-book://sub/Chapter%20Three.htm#part");
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://sub/Chapter%20Three.htm#part");
    Command(IDM_BACK);
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://two.htm");
    Command(IDM_FORWARD);
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://sub/Chapter%20Three.htm#part");
    // A jump within the page shown has no navigation of its own and still ends.
    GoAndWait("e-book://sub/Chapter%20Three.htm#other");
    EXPECT_EQ(m_window->GetNavOutcome(), NavOutcome::complete);
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://sub/Chapter%20Three.htm#other");
    EXPECT_EQ(s.Get("navigated"), o + "index.htm\n" + o + "two.htm\n" + o +
                                      "sub/Chapter%20Three.htm#part\n" + o + "two.htm\n" + o +
                                      "sub/Chapter%20Three.htm#part\n" + o +
                                      "sub/Chapter%20Three.htm#other\n");

    // A page the book does not hold gets the viewer's own message.
    GoAndWait("e-book://gone.htm");
    EXPECT_EQ(m_window->GetNavOutcome(), NavOutcome::error);
    EXPECT_NE(m_window->GetMessageText().find("not part of this e-book"), std::string::npos)
        << m_window->GetMessageText();
    SaveScreenshot("webview-page");
}

TEST_F(ViewerWebView, SettingsOffAndDataFolderUnderLocalAppData) {
    InstallStandIn(HKEY_LOCAL_MACHINE);
    OpenWeb(Book());
    GoAndWait();
    const StandIn s;
    EXPECT_EQ(m_window->EngineKind(), "webview2");
    EXPECT_EQ(s.Get("settings"),
              "devtools=0 statusbar=0 contextmenus=0 zoomcontrol=0 hostobjects=0 webmessage=1 "
              "accelerators=0 passwords=0 autofill=0");
    const std::string folder = CStandInRuntime::LocalAppData() + "\\Pagevane Viewer\\WebView2";
    EXPECT_EQ(s.Get("dataFolder"), folder);
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_NE(s.Get("documentScripts").find("contextmenu"), std::string::npos);
    EXPECT_EQ(s.Get("visible"), "1");
    // The control covers the page area and follows it.
    RECT page;
    GetClientRect(m_window->GetPageWindow(), &page);
    EXPECT_EQ(s.Get("bounds"),
              "0 0 " + std::to_string(page.right) + " " + std::to_string(page.bottom));
    EXPECT_GT(page.right, 100);
    // Moving the window tells the control where it now is (for its drop-downs and the IME).
    const int moved = std::stoi(s.Get("moved"));
    SetWindowPos(m_window->GetHwnd(), nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_GT(std::stoi(s.Get("moved")), moved);
}

TEST_F(ViewerWebView, LinksNewWindowsAndDownloads) {
    InstallStandIn();
    OpenWeb(Book());
    GoAndWait();
    const StandIn s;
    // Web links go to the default browser only on the reader's own click, never load inside.
    EXPECT_EQ(s.FollowLink(L"https://example.com/", false), 1);
    EXPECT_EQ(s.FrameNavigate(L"https://maps.example.com/", true), 1);
    EXPECT_TRUE(m_launched.empty());
    EXPECT_EQ(s.FollowLink(L"https://example.com/", true), 1);
    EXPECT_EQ(m_launched, std::vector<std::string>{"https://example.com/"});
    // The reader's files and anything else outside the book stay out of reach.
    EXPECT_EQ(s.FollowLink(L"file:///C:/windows/win.ini", true), 1);
    EXPECT_EQ(s.FrameNavigate(L"file:///C:/windows/win.ini", false), 1);
    EXPECT_EQ(m_launched.size(), 1u);
    EXPECT_EQ(m_window->GetNavOutcome(), NavOutcome::complete);  // cancelled is no failure
    // The book's own links load in place.
    EXPECT_EQ(
        s.FollowLink(CWinText::Wide(BookWebOrigin(m_book->GetPath()) + "two.htm").c_str(), true),
        0);
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://two.htm");
    EXPECT_TRUE(m_window->CanRun(IDM_BACK));
    // A link written with the book's own scheme opens its page at the book's origin.
    EXPECT_EQ(s.FollowLink(L"e-book://sub/Chapter%20Three.htm#part", true), 1);
    EXPECT_TRUE(PumpUntil(
        [this] { return m_window->CurrentUrl() == "e-book://sub/Chapter%20Three.htm#part"; },
        20000));
    EXPECT_NE(s.Get("navigated")
                  .find(BookWebOrigin(m_book->GetPath()) + "sub/Chapter%20Three.htm#part\n"),
              std::string::npos);

    // New windows never open: book pages in place, web links out when the reader asked.
    m_launched.clear();
    EXPECT_EQ(s.NewWindow(L"http://example.org/popup", false), 1);
    EXPECT_EQ(s.NewWindow(L"http://example.org/", true), 1);
    EXPECT_EQ(m_launched, std::vector<std::string>{"http://example.org/"});
    EXPECT_EQ(
        s.NewWindow(
            CWinText::Wide(BookWebOrigin(m_book->GetPath()) + "sub/Chapter%20Three.htm").c_str(),
            false),
        1);
    PumpUntil([this] { return m_window->CurrentUrl() == "e-book://sub/Chapter%20Three.htm"; },
              20000);
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://sub/Chapter%20Three.htm");

    EXPECT_EQ(s.Download(), 1);
}

TEST_F(ViewerWebView, KeysFollowTheBooksButtons) {
    InstallStandIn();
    for (bool on : {true, false}) {
        SCOPED_TRACE(on ? "buttons on" : "buttons off");
        OpenWeb(Book(on));
        GoAndWait();
        GoAndWait("e-book://two.htm");
        const StandIn s;
        // F11 is the viewer's full screen, when the book has the button; taken either way.
        EXPECT_EQ(s.Key(VK_F11, kWebViewKeyDown), 1);
        EXPECT_EQ(m_window->IsFullScreen(), on);
        if (on) {
            EXPECT_EQ(s.Key(VK_ESCAPE, kWebViewKeyDown), 1);
            EXPECT_FALSE(m_window->IsFullScreen());
        }
        // Alt+Left is the viewer's Back, never the control's.
        {
            HeldKeys alt({VK_MENU});
            EXPECT_EQ(s.Key(VK_LEFT, kWebViewSystemKeyDown), 1);
        }
        PumpUntil([this] { return m_window->GetNavOutcome() != NavOutcome::pending; }, 20000);
        EXPECT_EQ(m_window->CurrentUrl(), on ? "e-book://index.htm" : "e-book://two.htm");
        // Ctrl+N (a new window of the control's) is swallowed; a key up is left alone; Esc
        // outside full screen belongs to the page.
        {
            HeldKeys ctrl({VK_CONTROL});
            EXPECT_EQ(s.Key('N', kWebViewKeyDown), 1);
        }
        EXPECT_EQ(s.Key(VK_F11, kWebViewKeyUp), 0);
        EXPECT_EQ(s.Key(VK_ESCAPE, kWebViewKeyDown), 0);
    }
}

// Closes the context menu once it shows and notes that it did.
bool g_menuSeen = false;
void CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD) {
    if (FindWindowA("#32768", nullptr)) {
        g_menuSeen = true;
        KillTimer(nullptr, id);
        EndMenu();
    }
}

TEST_F(ViewerWebView, ContextMenuTextSizePrintAndSearchMarks) {
    InstallStandIn();
    OpenWeb(Book());
    GoAndWait();
    const StandIn s;
    g_menuSeen = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, CloseMenu);
    s.PostMessage(L"contextmenu");
    KillTimer(nullptr, timer);
    EXPECT_TRUE(g_menuSeen);

    EXPECT_EQ(s.Get("zoom"), "1.000");
    Command(IDM_FONTSIZE);
    EXPECT_EQ(m_window->GetTextSize(), 3);
    EXPECT_EQ(s.Get("zoom"), "1.250");
    s.PostMessage(L"text-smaller");  // Ctrl+wheel over the page
    s.PostMessage(L"text-smaller");
    EXPECT_EQ(m_window->GetTextSize(), 1);
    EXPECT_EQ(s.Get("zoom"), "0.875");

    Command(IDM_PRINT);
    EXPECT_NE(s.Get("scripts").find("window.print()"), std::string::npos) << s.Get("scripts");

    // The words of a search are marked on the page opened from it; F3 goes to the next.
    m_window->OpenSearchHit("sub/Chapter Three.htm", {"third", "Page"});
    WaitForPageAndStandIn();
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://sub/Chapter%20Three.htm");
    const std::string scripts = s.Get("scripts");
    EXPECT_NE(scripts.find("[\"third\",\"Page\"],1000)"), std::string::npos) << scripts;
    EXPECT_EQ(s.Key(VK_F3, kWebViewKeyDown), 1);
    EXPECT_NE(s.Get("scripts").find("mark[data-pv-hit]"), std::string::npos);
}

bool g_highContrast = false;

// Pages are asked to prefer the window's colours (the profile's scheme): the reader's choice,
// Windows' mode, the engine's own under high contrast. The focus moves on from the page with F6,
// and when Tab leaves the page's last element.
TEST_F(ViewerWebView, PagesPreferTheWindowsColoursAndTheFocusMovesOn) {
    InstallStandIn();
    StandIn().Reset();
    MemoryProfile* place = &m_place;
    Open(Book(), nullptr, place);
    GoAndWait();
    const StandIn s;
    EXPECT_EQ(s.Get("colorScheme"), "1");  // Windows' default, light
    const struct {
        int command;
        const char* scheme;
    } choices[] = {{IDM_COLOURS_DARK, "2"}, {IDM_COLOURS_LIGHT, "1"}, {IDM_COLOURS_WINDOWS, "1"}};
    for (const auto& c : choices) {
        SCOPED_TRACE(c.command);
        SendMessageA(m_window->GetHwnd(), WM_COMMAND, c.command, 0);
        EXPECT_EQ(s.Get("colorScheme"), c.scheme);
    }
    ThemeSystem system = RealThemeSystem();
    system.highContrast = [] { return g_highContrast; };
    SetThemeSystem(system);
    g_highContrast = true;
    SendMessageA(m_window->GetHwnd(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    EXPECT_EQ(s.Get("colorScheme"), "0");
    g_highContrast = false;
    SetThemeSystem(RealThemeSystem());

    // The page has the focus; Tab past its end gives it to the next part (the pane), Shift+Tab
    // past its start to the previous one.
    SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_CONTENTS, 0);
    HWND tree = m_window->Contents().GetHwnd();
    SetFocus(m_window->GetPageWindow());
    EXPECT_EQ(s.MoveFocusOut(kWebViewFocusNext), 1);
    EXPECT_EQ(GetFocus(), tree);
    SetFocus(m_window->GetPageWindow());
    EXPECT_EQ(s.MoveFocusOut(kWebViewFocusPrevious), 1);
    EXPECT_EQ(GetFocus(), tree);  // page, then the pane again (nothing else is open)
    // F6 on the page, as the control reports the key, does the same.
    SetFocus(m_window->GetPageWindow());
    EXPECT_EQ(s.Key(VK_F6, kWebViewKeyDown), 1);
    EXPECT_EQ(GetFocus(), tree);
}

TEST_F(ViewerWebView, EveryFailureFallsBackToTheBrowserControlSilently) {
    const std::string junk = m_dir.File("junk.dll");
    CTestBook::WriteFile(junk, "MZ this is no library");
    const struct {
        const char* name;
        std::function<void()> setUp;
    } cases[] = {
        {"no runtime", [] {}},
        {"library does not load",
         [this, &junk] {
             ASSERT_TRUE(
                 CStandInRuntime::Install(HKEY_CURRENT_USER, "121.0.0.1", m_location, junk));
         }},
        {"runtime too old",
         [this] {
             ASSERT_TRUE(CStandInRuntime::Install(HKEY_CURRENT_USER, "85.0.564.70", m_location,
                                                  CStandInRuntime::BuiltLibrary()));
         }},
        {"entry point refuses",
         [this] {
             InstallStandIn();
             SetEnvironmentVariableA("PV_STANDIN_FAIL", "create");
         }},
        {"environment fails",
         [this] {
             InstallStandIn();
             SetEnvironmentVariableA("PV_STANDIN_FAIL", "environment");
         }},
        {"control fails",
         [this] {
             InstallStandIn();
             SetEnvironmentVariableA("PV_STANDIN_FAIL", "controller");
         }},
        {"page script cannot be added",
         [this] {
             InstallStandIn();
             SetEnvironmentVariableA("PV_STANDIN_FAIL", "script");
         }},
        {"registry switch",
         [this] {
             InstallStandIn();
             HKEY key = nullptr;
             RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tessaly\\Pagevane Viewer", 0, nullptr, 0,
                             KEY_SET_VALUE, nullptr, &key, nullptr);
             const DWORD one = 1;
             RegSetValueExA(key, kUseBrowserControlValue, 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&one), sizeof(one));
             RegCloseKey(key);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CStandInRuntime::Uninstall();
        c.setUp();
        OpenWeb(Book());
        GoAndWait();
        PumpUntil([this] { return m_window->EngineKind() == "browser-control"; }, 10000);
        EXPECT_EQ(m_window->EngineKind(), "browser-control");
        // The page is asked of the browser control, whatever it makes of it here.
        EXPECT_EQ(m_window->CurrentUrl(), "e-book://index.htm");
        EXPECT_EQ(m_window->GetMessageText().find("WebView2"), std::string::npos)
            << m_window->GetMessageText();
        EXPECT_EQ(FindWindowA("#32770", nullptr), nullptr) << "a message box showed";
    }
}

// When the data folder cannot be made (a file stands where it would go), the browser control.
TEST_F(ViewerWebView, AnUnusableDataFolderMeansTheBrowserControl) {
    InstallStandIn();
    const std::string base = CStandInRuntime::LocalAppData() + "\\Pagevane Viewer";
    const std::string aside = base + ".moved";
    const bool hadFolder = MoveFileA(base.c_str(), aside.c_str()) != FALSE;
    CTestBook::WriteFile(base, "not a folder");
    OpenWeb(Book());
    GoAndWait();
    EXPECT_EQ(m_window->EngineKind(), "browser-control");
    m_window.reset();
    DeleteFileA(base.c_str());
    if (hadFolder)
        MoveFileA(aside.c_str(), base.c_str());
}

}  // namespace
