// viewer.exe itself, started as an e-book: books made by appending a store to the real program.
// The self-test switch reports what it read; normal starts are watched from outside (splash,
// main window, About box at start, the message for a bare or damaged file).
#include <gtest/gtest.h>
#include <algorithm>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "StandInInstall.h"
#include "TestBook.h"
#include "WinTestUtil.h"
#include "platform/win/ComPtr.h"
#include "platform/win/WinText.h"
#include "book/Book.h"
#include "viewer/resource.h"

namespace {

std::string ViewerPath() {
    const char* p = std::getenv("PV_VIEWER_EXE");
    return p ? p : "";
}

struct Process {
    PROCESS_INFORMATION pi = {};
    bool Start(const std::string& exe, const std::string& args) {
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        std::string cmd = "\"" + exe + "\" " + args;
        return CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &si, &pi) != 0;
    }
    // Waits until the program waits for input with nothing left to handle, then has window
    // painted: what a screenshot shows next is what the program drew.
    void SettleAndPaint(HWND window) {
        WaitForInputIdle(pi.hProcess, 10000);
        PaintNow(window);
    }
    // Waits for the end; returns the exit code, or -1 after ms without an end.
    long Wait(DWORD ms) {
        if (WaitForSingleObject(pi.hProcess, ms) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        return static_cast<long>(code);
    }
    ~Process() {
        if (pi.hProcess) {
            if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0)
                TerminateProcess(pi.hProcess, 99);
            CloseHandle(pi.hProcess);
            CloseHandle(pi.hThread);
        }
    }
};

struct WindowSearch {
    DWORD pid;
    const char* cls;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND h, LPARAM lp) {
    WindowSearch* s = reinterpret_cast<WindowSearch*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    char name[64];
    GetClassNameA(h, name, sizeof(name));
    if (pid == s->pid && lstrcmpiA(name, s->cls) == 0 && IsWindowVisible(h)) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

// The first visible top-level window of the process with that class ("#32770" for dialogs).
HWND FindProcessWindow(DWORD pid, const char* cls) {
    WindowSearch s = {pid, cls, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND WaitForWindow(DWORD pid, const char* cls, DWORD ms) {
    HWND h = nullptr;
    PumpUntil([&] { return (h = FindProcessWindow(pid, cls)) != nullptr; }, ms);
    return h;
}

BOOL CALLBACK AddChildText(HWND h, LPARAM lp) {
    // WM_GETTEXT reaches into another process's controls, which GetWindowText does not.
    wchar_t text[1024] = {};
    SendMessageW(h, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    *reinterpret_cast<std::string*>(lp) += CWinText::Ansi(text, CP_UTF8) + "\n";
    return TRUE;
}

// All the texts of a window's children in UTF-8, joined by line feeds.
std::string ChildTexts(HWND parent) {
    std::string all;
    EnumChildWindows(parent, AddChildText, reinterpret_cast<LPARAM>(&all));
    return all;
}

std::map<std::string, std::string> ReadReport(const std::string& path) {
    std::map<std::string, std::string> values;
    const std::string text = CTestBook::ReadFile(path);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(pos, end - pos);
        const size_t eq = line.find('=');
        if (eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
        pos = end + 1;
    }
    return values;
}

class ViewerProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        m_viewer = ViewerPath();
        ASSERT_FALSE(m_viewer.empty()) << "PV_VIEWER_EXE names no viewer.exe";
        m_stub = CTestBook::ReadFile(m_viewer);
        ASSERT_GT(m_stub.size(), 1000u);
    }
    static CTestBook Sample() {
        CTestBook b;
        b.title =
            "Sample \xC9"
            "dition";  // Windows-1252 text, reported in UTF-8
        b.author = "Sam Author";
        b.copyright = "(c) 2026";
        b.url = "www.example.org";
        b.email = "sam@example.org";
        b.about = "About line 1\nAbout line 2";
        b.Page("index.htm",
               "<html><head><title>Welcome</title><link rel=stylesheet "
               "href=\"css/style.css\"></head><body><h1>Welcome</h1><img "
               "src=\"images/pic.bmp\"><a href=\"pages/two.htm\">next</a></body>"
               "</html>")
            .Page("pages/two.htm", "<title>Two</title><a href=\"../index.htm\">back</a>")
            .Page("css/style.css", "h1 { color: navy }", false, false)
            .Page("images/pic.bmp", CTestBook::Bitmap(8, 8, 255, 0, 0), false, false);
        b.settings[kShowToolbar] = 1;
        b.settings[kHomeButton] = 1;
        b.settings[kPrevNextButtons] = 1;
        b.settings[kSearchButton] = 1;
        b.settings[kAboutButton] = 1;
        b.settings[kExitButton] = 1;
        return b;
    }
    std::string Make(const CTestBook& b, const std::string& name) {
        const std::string path = m_dir.File(name);
        b.Write(path, m_stub);
        return path;
    }
    // Runs exe --pv-selftest and returns its report; *code gets the exit code.
    std::map<std::string, std::string> SelfTest(const std::string& exe, long* code) {
        const std::string report = m_dir.File("report.txt");
        DeleteFileA(report.c_str());
        Process p;
        EXPECT_TRUE(p.Start(exe, "--pv-selftest \"" + report + "\""));
        *code = p.Wait(60000);
        return ReadReport(report);
    }

    CTempFolder m_dir;
    std::string m_viewer;
    std::string m_stub;
};

TEST_F(ViewerProgram, SelfTestReportsWhatTheBookHolds) {
    CTestBook b = Sample();
    b.splash = CTestBook::Bitmap(200, 120, 0, 0, 128);
    long code = 0;
    auto r = SelfTest(Make(b, "sample.exe"), &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(r["pagevane-viewer-selftest"], "1");
    EXPECT_EQ(r["store"], "ok");
    EXPECT_EQ(r["error"], "");
    EXPECT_EQ(r["title"],
              "Sample \xC3\x89"
              "dition");
    EXPECT_EQ(r["author"], "Sam Author");
    EXPECT_EQ(r["about"], "About line 1\\nAbout line 2");
    EXPECT_EQ(r["files"], "4");
    EXPECT_EQ(r["sequence"], "2");
    EXPECT_EQ(r["home"], "index.htm");
    EXPECT_EQ(r["toolbar"], "yes");
    EXPECT_EQ(r["buttons"], "40001 40002 40003 40007 40011 40012");
    EXPECT_EQ(r["splash"], "yes");
    EXPECT_EQ(r["splash_size"], "200x120");
    EXPECT_EQ(r["current"], "e-book://index.htm");
    const std::string nav = r["navigation"];
    EXPECT_TRUE(nav == "complete" || nav == "error" || nav == "no-browser") << nav;
    if (nav != "complete") {
        EXPECT_FALSE(r["message"].empty());
    }
    EXPECT_EQ(r["settings"], "0 0 0 1 0 0 0 0 1 1 0 0 1 0 0 0 1 1 0");
    EXPECT_EQ(r["engine"], "browser-control");  // no WebView2 runtime in the test prefix
    EXPECT_EQ(r["dpi"], "96");
    EXPECT_EQ(r["toolbar_clipped"], "0");
}

// With a WebView2 runtime installed (the stand-in), the program draws its pages with it and the
// first page arrives from the store.
TEST_F(ViewerProgram, SelfTestDrawsWithAnInstalledWebViewRuntime) {
    ASSERT_TRUE(CStandInRuntime::Install(HKEY_CURRENT_USER, "120.0.2210.91",
                                         CStandInRuntime::TestLocation(),
                                         CStandInRuntime::BuiltLibrary()));
    long code = 0;
    auto r = SelfTest(Make(Sample(), "webview.exe"), &code);
    CStandInRuntime::Uninstall();
    EXPECT_EQ(code, 0);
    EXPECT_EQ(r["engine"], "webview2");
    EXPECT_EQ(r["navigation"], "complete");
    EXPECT_EQ(r["current"], "e-book://index.htm");
    EXPECT_EQ(r["message"], "");
}

// A DWORD value of the registry, read and written; absent reads as -1 and -1 deletes it.
long RegistryDword(HKEY root, const char* key, const char* name, long set = -2) {
    HKEY k = nullptr;
    if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &k,
                        nullptr) != ERROR_SUCCESS)
        return -1;
    DWORD value = 0, size = sizeof(value), type = 0;
    long old = RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
                       ERROR_SUCCESS
                   ? static_cast<long>(value)
                   : -1;
    if (set == -1) {
        RegDeleteValueA(k, name);
    } else if (set >= 0) {
        value = static_cast<DWORD>(set);
        RegSetValueExA(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    }
    RegCloseKey(k);
    return old;
}

// At a display scale of 200 % (192 DPI, which Wine takes from the registry when a program
// starts) the toolbar's icons and labels grow, and every button still shows whole.
TEST_F(ViewerProgram, At200PercentScaleEveryToolbarButtonShowsWhole) {
    const struct {
        HKEY root;
        const char* key;
    } places[] = {{HKEY_CURRENT_USER, "Control Panel\\Desktop"},
                  {HKEY_CURRENT_CONFIG, "Software\\Fonts"}};
    long old[2];
    for (int i = 0; i < 2; ++i)
        old[i] = RegistryDword(places[i].root, places[i].key, "LogPixels", 192);
    CTestBook b = Sample();
    for (int s : {kHistoryButtons, kCopyButton, kFullScreenButton, kFontSizeButton, kPrintButton})
        b.settings[s] = 1;
    long code = 0;
    auto r = SelfTest(Make(b, "scaled.exe"), &code);
    for (int i = 0; i < 2; ++i)
        RegistryDword(places[i].root, places[i].key, "LogPixels", old[i]);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(r["dpi"], "192");
    EXPECT_EQ(r["buttons"].size(), std::string("40001 ").size() * 12 - 1);
    EXPECT_EQ(r["toolbar_clipped"], "0");
}

TEST_F(ViewerProgram, SelfTestOfBareAndDamagedFiles) {
    long code = 0;
    const std::string bare = m_dir.File("bare.exe");
    CTestBook::WriteFile(bare, m_stub);
    auto r = SelfTest(bare, &code);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(r["store"], "bare");
    EXPECT_NE(r["error"].find("no e-book"), std::string::npos) << r["error"];

    const std::string good = CTestBook::ReadFile(Make(Sample(), "good.exe"));
    const std::string damaged = m_dir.File("damaged.exe");
    // The store cut short behind a valid trailer.
    CTestBook::WriteFile(damaged,
                         good.substr(0, m_stub.size() + 50) + good.substr(good.size() - 6));
    r = SelfTest(damaged, &code);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(r["store"], "damaged");
    EXPECT_NE(r["error"].find("damaged"), std::string::npos) << r["error"];
}

TEST_F(ViewerProgram, SplashComesBeforeTheMainWindowOnlyWhenTheBookHasOne) {
    for (bool withSplash : {true, false}) {
        SCOPED_TRACE(withSplash ? "with splash" : "without splash");
        CTestBook b = Sample();
        if (withSplash)
            b.splash = CTestBook::Bitmap(240, 140, 0xFF, 0xCC, 0x00);
        const std::string exe = Make(b, withSplash ? "splash.exe" : "nosplash.exe");
        Process p;
        ASSERT_TRUE(p.Start(exe, ""));
        bool sawSplash = false;
        HWND main = nullptr;
        PumpUntil(
            [&] {
                if (HWND splash = FindProcessWindow(p.pi.dwProcessId, "PagevaneViewerSplash")) {
                    if (!sawSplash && withSplash) {
                        PaintNow(splash);
                        SaveScreenshot("program-splash");
                    }
                    sawSplash = true;
                }
                main = FindProcessWindow(p.pi.dwProcessId, "PagevaneViewerWindow");
                return main != nullptr;
            },
            30000);
        EXPECT_EQ(sawSplash, withSplash);
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(FindProcessWindow(p.pi.dwProcessId, "PagevaneViewerSplash"), nullptr);
        p.SettleAndPaint(main);
        if (!withSplash)
            SaveScreenshot("program-main");
        PostMessageA(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(p.Wait(20000), 0);
    }
}

TEST_F(ViewerProgram, AboutBoxAtStartWhenTheBookAsks) {
    CTestBook b = Sample();
    b.settings[kShowAboutAtStart] = 1;
    Process p;
    ASSERT_TRUE(p.Start(Make(b, "about.exe"), ""));
    HWND about = WaitForWindow(p.pi.dwProcessId, "#32770", 30000);
    ASSERT_NE(about, nullptr);
    p.SettleAndPaint(about);
    SaveScreenshot("program-about");
    const std::string texts = ChildTexts(about);
    EXPECT_NE(texts.find("Sample \xC3\x89"
                         "dition\n"),
              std::string::npos)
        << texts;
    EXPECT_NE(texts.find("Sam Author"), std::string::npos) << texts;
    EXPECT_NE(texts.find("www.example.org"), std::string::npos) << texts;
    EXPECT_NE(texts.find("About line 1\r\nAbout line 2"), std::string::npos) << texts;
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    HWND main = WaitForWindow(p.pi.dwProcessId, "PagevaneViewerWindow", 10000);
    ASSERT_NE(main, nullptr);
    PostMessageA(main, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_EQ(p.Wait(20000), 0);
}

TEST_F(ViewerProgram, BareViewerSaysSoAndEnds) {
    const std::string bare = m_dir.File("alone.exe");
    CTestBook::WriteFile(bare, m_stub);
    Process p;
    ASSERT_TRUE(p.Start(bare, ""));
    HWND box = WaitForWindow(p.pi.dwProcessId, "#32770", 30000);
    ASSERT_NE(box, nullptr);
    p.SettleAndPaint(box);
    SaveScreenshot("program-bare");
    const std::string texts = ChildTexts(box);
    EXPECT_NE(texts.find("no e-book"), std::string::npos) << texts;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(p.Wait(20000), 1);
}

BOOL CALLBACK CountLanguage(HMODULE, LPCSTR, LPCSTR, WORD, LONG_PTR count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

uint32_t U32At(const std::string& b, size_t o) {
    return static_cast<uint8_t>(b[o]) | static_cast<uint8_t>(b[o + 1]) << 8 |
           static_cast<uint8_t>(b[o + 2]) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[o + 3])) << 24;
}

// The icon an e-book's own icon is written over: group icon 128 with exactly one 32x32
// 16-colour image of 744 bytes (icon 1, one language), in a section named ".rsrc".
TEST_F(ViewerProgram, IconLayoutIsTheOneTheBuildReplaces) {
    // The section table names ".rsrc".
    const uint32_t pe = U32At(m_stub, 60);
    ASSERT_LT(pe + 24u, m_stub.size());
    const size_t sections =
        static_cast<uint8_t>(m_stub[pe + 6]) | static_cast<uint8_t>(m_stub[pe + 7]) << 8;
    const size_t optional =
        static_cast<uint8_t>(m_stub[pe + 20]) | static_cast<uint8_t>(m_stub[pe + 21]) << 8;
    bool rsrc = false;
    for (size_t i = 0; i < sections; ++i) {
        const size_t at = pe + 24 + optional + i * 40;
        ASSERT_LE(at + 40, m_stub.size());
        if (std::string(m_stub.c_str() + at, strnlen(m_stub.c_str() + at, 8)) == ".rsrc")
            rsrc = true;
    }
    EXPECT_TRUE(rsrc);
    // The program ends where its last section does: bytes after the image mean an e-book that
    // was cut short, so the bare viewer must have none. And it stays small: 640 KiB today, and
    // a static runtime with iostreams, for one, would triple it.
    size_t imageEnd = 0;
    for (size_t i = 0; i < sections; ++i) {
        const size_t at = pe + 24 + optional + i * 40;
        imageEnd = std::max<size_t>(imageEnd, U32At(m_stub, at + 20) + U32At(m_stub, at + 16));
    }
    EXPECT_EQ(imageEnd, m_stub.size());
    EXPECT_LT(m_stub.size(), 768u * 1024);
    EXPECT_EQ(U32At(m_stub, pe + 24 + 64), 0u);  // CheckSum: the icon is replaced without it

    HMODULE module = LoadLibraryExA(m_viewer.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(128), MAKEINTRESOURCEA(14));
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(SizeofResource(module, group), 6u + 14u);
    const uint8_t* g = static_cast<const uint8_t*>(LockResource(LoadResource(module, group)));
    EXPECT_EQ(g[4] | g[5] << 8, 1);                                  // one image
    EXPECT_EQ(g[6], 32);                                             // width
    EXPECT_EQ(g[7], 32);                                             // height
    EXPECT_EQ(g[8], 16);                                             // colours
    EXPECT_EQ(g[10] | g[11] << 8, 1);                                // planes
    EXPECT_EQ(g[12] | g[13] << 8, 4);                                // bits per pixel
    EXPECT_EQ(g[14] | g[15] << 8 | g[16] << 16 | g[17] << 24, 744);  // bytes
    EXPECT_EQ(g[18] | g[19] << 8, 1);                                // icon id
    HRSRC icon = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(3));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(SizeofResource(module, icon), 744u);
    int languages = 0;
    EnumResourceLanguagesA(module, MAKEINTRESOURCEA(3), MAKEINTRESOURCEA(1), CountLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    EXPECT_EQ(languages, 1);
    languages = 0;
    EnumResourceLanguagesA(module, MAKEINTRESOURCEA(14), MAKEINTRESOURCEA(128), CountLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    EXPECT_EQ(languages, 1);
    FreeLibrary(module);
}

}  // namespace
