// The viewer on WebView2 as a site of its own, played by the stand-in runtime: each e-book its
// own origin, the start in the order the runtime expects, the runtime found where its loader
// finds it, requests answered with their methods, ranges and types while the window stays free,
// no permission granted, and the way back when the runtime's processes fail.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <functional>
#include <string>

#include "StandInInstall.h"
#include "TestBook.h"
#include "TextCount.h"
#include "ViewerFixture.h"
#include "WebViewFixture.h"
#include "WinTestUtil.h"
#include "book/Book.h"
#include "book/BookWeb.h"
#include "platform/win/ComPtr.h"
#include "platform/win/WinText.h"
#include "viewer/MainWindow.h"
#include "viewer/engines/WebViewApi.h"
#include "viewer/engines/WebViewResources.h"
#include "viewer/engines/WebViewRuntime.h"
#include "viewer/resource.h"

namespace {

const size_t kBigSize = 12u << 20;

// 12 MiB of numbered lines: packs small, and every byte is known.
const std::string& BigFile() {
    static const std::string big = [] {
        std::string s;
        s.reserve(kBigSize + 32);
        char line[32];
        for (unsigned i = 0; s.size() < kBigSize; ++i) {
            std::snprintf(line, sizeof line, "%09u lighthouse\n", i);
            s += line;
        }
        s.resize(kBigSize);
        return s;
    }();
    return big;
}

unsigned Fnv(const std::string& s) {
    unsigned h = 2166136261u;
    for (unsigned char c : s)
        h = (h ^ c) * 16777619u;
    return h;
}

std::string Binary(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>(i % 251);
    return s;
}

void DeleteTree(const std::string& path) {
    std::string from = path + '\0';
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationA(&op);
}

class ViewerWebSite : public CWebViewFixture {
  protected:
    static CTestBook Book() {
        CTestBook b;
        b.Page("index.htm", "<title>One</title><p>first page</p>")
            .Page("two.htm", "<title>Two</title><p>second page</p>")
            .Page("app.mjs", "export const answer = 42;", false, false)
            .Page("add.wasm", std::string("\0asm\1\0\0\0", 8), false, false)
            .Page("clip.bin", Binary(5000), false, false)
            .Page("big.bin", BigFile(), false, false);
        return b;
    }
    void OpenWeb() {
        StandIn().Reset();
        Open(Book());
        ASSERT_EQ(m_window->EngineKind(), "webview2");
    }
    std::string Origin() const { return BookWebOrigin(m_book->GetPath()); }
    std::wstring Address(const std::string& path) const { return CWinText::Wide(Origin() + path); }
};

TEST_F(ViewerWebSite, TwoBooksOpenedOneAfterTheOtherAreTwoSites) {
    InstallStandIn();
    OpenWeb();
    GoAndWait();
    const StandIn s;
    const std::string first = Origin();
    EXPECT_EQ(s.Get("filters"), first + "* 0\n");
    EXPECT_EQ(s.Get("navigated"), first + "index.htm\n");

    OpenWeb();  // the next file
    GoAndWait();
    const std::string second = Origin();
    EXPECT_NE(first, second);
    EXPECT_EQ(s.Get("filters"), second + "* 0\n");
    EXPECT_EQ(s.Get("navigated"), second + "index.htm\n");
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://index.htm");
    // The first book's addresses are nothing the second one answers.
    std::string type, body;
    EXPECT_EQ(s.Request(CWinText::Wide(first + "index.htm").c_str(), &type, &body), 0);
}

TEST_F(ViewerWebSite, TheFirstPageWaitsForThePageScript) {
    InstallStandIn();
    OpenWeb();
    GoAndWait();  // asked before the runtime has even started
    EXPECT_EQ(StandIn().Get("order"), "script\nscript ready\nnavigate " + Origin() + "index.htm\n");
    EXPECT_EQ(m_window->GetNavOutcome(), NavOutcome::complete);
}

TEST_F(ViewerWebSite, RequestsGetTheirMethodsRangesAndTypes) {
    InstallStandIn();
    OpenWeb();
    GoAndWait();
    const StandIn s;
    const std::string clip = Binary(5000);
    const std::string& big = BigFile();
    const struct {
        const char* name;
        const wchar_t* method;
        const char* path;
        std::string headers;
        int status;
        std::string expectHeader;  // a line the response's headers hold
        std::string body;          // the body's first 64 KiB
        int length;                // the whole body's length
    } cases[] = {
        {"module script", L"GET", "app.mjs", "", 200, "Content-Type: text/javascript",
         "export const answer = 42;", 25},
        {"WebAssembly", L"GET", "add.wasm", "", 200, "Content-Type: application/wasm",
         std::string("\0asm\1\0\0\0", 8), 8},
        {"a part", L"GET", "clip.bin", "Range: bytes=10-19", 206, "Content-Range: bytes 10-19/5000",
         clip.substr(10, 10), 10},
        {"a part past the end", L"GET", "clip.bin", "Range: bytes=6000-", 416,
         "Content-Range: bytes */5000", "", -1},
        {"the headers alone", L"HEAD", "clip.bin", "", 200, "Content-Length: 5000", "", 0},
        {"a form sent", L"POST", "index.htm", "", 405, "Allow: GET, HEAD", "", -1},
        {"a service worker", L"GET", "app.mjs", "Service-Worker: script", 403,
         "Content-Type: text/html", "", -1},
        {"a part of a large file", L"GET", "big.bin", "Range: bytes=12000000-12000015", 206,
         "Content-Range: bytes 12000000-12000015/12582912", big.substr(12000000, 16), 16},
        {"an open part of a large file, cut", L"GET", "big.bin", "Range: bytes=100-", 206,
         "Content-Range: bytes 100-8388707/12582912", big.substr(100, 65535), 8388608},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string headers, body;
        int length = 0;
        EXPECT_EQ(s.Ask(c.method, Address(c.path).c_str(), c.headers, &headers, &body, &length),
                  c.status);
        EXPECT_NE(headers.find(c.expectHeader), std::string::npos) << headers;
        if (c.length >= 0) {
            EXPECT_EQ(length, c.length);
            EXPECT_TRUE(body == c.body) << body.substr(0, 40);
        }
    }
}

TEST_F(ViewerWebSite, PermissionRequestsAreDenied) {
    InstallStandIn();
    OpenWeb();
    GoAndWait();
    // Microphone, camera, location, notifications, sensors, the clipboard's contents.
    for (int kind : {1, 2, 3, 4, 5, 6}) {
        SCOPED_TRACE(kind);
        EXPECT_EQ(StandIn().Permission(kind), kWebViewPermissionDeny);
    }
}

int g_ticks = 0;
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    ++g_ticks;
    StandIn().Step();  // the runtime's reader takes one more mebibyte
}

TEST_F(ViewerWebSite, ALargeFileIsReadWhileTheWindowGoesOnAnswering) {
    InstallStandIn();
    OpenWeb();
    GoAndWait();
    const StandIn s;
    unsigned hash = 0;
    bool agile = false;
    ASSERT_EQ(s.RequestInBackground(Address("big.bin").c_str()), 200);
    EXPECT_EQ(s.Background(&hash, &agile), -1)
        << "the body was read while the event ran, on the window's thread";
    // The runtime's reader moves on only while the window's timer keeps firing.
    g_ticks = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, Tick);
    EXPECT_TRUE(PumpUntil([&] { return s.Background(&hash, &agile) >= 0; }, 60000));
    KillTimer(nullptr, timer);
    EXPECT_TRUE(agile);
    EXPECT_EQ(s.Background(&hash, &agile), static_cast<int>(kBigSize));
    EXPECT_EQ(hash, Fnv(BigFile()));
    EXPECT_GE(g_ticks, 12);
}

// The part of a file the runtime reads: any thread, rewound at will.
TEST_F(ViewerWebSite, APartStreamRewindsAndSeeks) {
    Open(Book());
    const BookFile* file = m_book->FindUrl("e-book://big.bin");
    ASSERT_NE(file, nullptr);
    CComPtr<IStream> stream(CreateBookPartStream(*m_book, *file, 1000, 300000));
    const std::string want = BigFile().substr(1000, 300000);
    auto readAll = [&]() {
        std::string got;
        char buf[7777];
        ULONG n = 0;
        while (SUCCEEDED(stream->Read(buf, sizeof buf, &n)) && n > 0)
            got.append(buf, n);
        return got;
    };
    EXPECT_TRUE(readAll() == want);
    LARGE_INTEGER to;
    to.QuadPart = 0;
    EXPECT_EQ(stream->Seek(to, STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_TRUE(readAll() == want) << "rewound";
    to.QuadPart = -16;
    ULARGE_INTEGER at;
    EXPECT_EQ(stream->Seek(to, STREAM_SEEK_END, &at), S_OK);
    EXPECT_EQ(at.QuadPart, 300000u - 16u);
    EXPECT_TRUE(readAll() == want.substr(300000 - 16));
    STATSTG stat = {};
    EXPECT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize.QuadPart, 300000u);
    CComPtr<IUnknown> agile;
    EXPECT_EQ(stream->QueryInterface(kIID_IAgileObject, agile.Out()), S_OK);
}

TEST_F(ViewerWebSite, AFailedPageProcessLoadsThePageAgain) {
    InstallStandIn();
    OpenWeb();
    GoAndWait();
    const StandIn s;
    const size_t asked = Count(s.Get("responses"), "index.htm");
    EXPECT_EQ(s.ProcessFailed(kWebViewRenderProcessExited), 1);
    EXPECT_TRUE(PumpUntil([&] { return Count(s.Get("responses"), "index.htm") > asked; }, 20000));
    EXPECT_EQ(m_window->EngineKind(), "webview2");
    EXPECT_EQ(s.Get("environments"), "1");
}

TEST_F(ViewerWebSite, AFailedRuntimeBringsThePageBackThenGivesWay) {
    InstallStandIn();
    OpenWeb();
    GoAndWait();
    const StandIn s;
    ASSERT_EQ(s.FollowLink(Address("two.htm").c_str(), true), 0);
    ASSERT_EQ(m_window->CurrentUrl(), "e-book://two.htm");

    // The browser process fails: a new runtime and control, and the same page in it.
    EXPECT_EQ(s.ProcessFailed(kWebViewBrowserProcessExited), 1);
    EXPECT_TRUE(PumpUntil([&] { return Count(s.Get("order"), "script ready") == 2; }, 20000));
    WaitForPage();
    EXPECT_EQ(s.Get("environments"), "2");
    EXPECT_EQ(m_window->EngineKind(), "webview2");
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://two.htm");
    EXPECT_EQ(m_window->GetNavOutcome(), NavOutcome::complete);
    const std::string order = s.Get("order");
    EXPECT_EQ(order.substr(order.rfind("script ready")),
              "script ready\nnavigate " + Origin() + "two.htm\n");
    EXPECT_TRUE(m_window->CanRun(IDM_BACK));  // the history is the reader's, untouched

    // It fails again soon: the browser control shows the same page, without a word.
    EXPECT_EQ(s.ProcessFailed(kWebViewBrowserProcessExited), 1);
    EXPECT_TRUE(PumpUntil([&] { return m_window->EngineKind() == "browser-control"; }, 20000));
    WaitForPage();
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://two.htm");
    // The browser control was asked for it (here it cannot draw it, and the window says so).
    EXPECT_NE(m_window->GetMessageText().find("two.htm"), std::string::npos)
        << m_window->GetMessageText();
    EXPECT_EQ(FindWindowA("#32770", nullptr), nullptr) << "a message box showed";
}

// Where the runtime is looked for, rule by rule (the library is any file here: only the search
// is under test).
TEST_F(ViewerWebSite, TheRuntimeIsFoundWhereItsLoaderFindsIt) {
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring program = exe;
    const std::wstring programName = program.substr(program.find_last_of(L'\\') + 1);
    const std::string programFolder =
        CWinText::Ansi(program.substr(0, program.find_last_of(L'\\')));
    const std::string junk = m_dir.File("library.dll");
    CTestBook::WriteFile(junk, "MZ any library");
    auto put = [&](const std::string& folder) {
        EXPECT_TRUE(CStandInRuntime::PutLibrary(folder, junk)) << folder;
    };
    const std::string machine = m_dir.File("machine\\125.0.2535.51");
    const std::string user = m_dir.File("user\\126.0.2592.56");
    const std::string old = m_dir.File("old\\85.0.564.70");
    const std::string fixed = m_dir.File("fixed");
    const std::string browser = m_dir.File("Edge\\Application\\124.0.2478.80");
    const std::string clients = m_location;
    const std::string relative = programFolder + "\\pv-fixed-runtime";
    const struct {
        const char* name;
        std::function<void()> setUp;
        std::string dll;  // "" when no runtime is to be found
        const char* rule;
        int runtimeType;
    } cases[] = {
        {"installer's state, machine-wide",
         [&] { CStandInRuntime::SetClientState(HKEY_LOCAL_MACHINE, machine); },
         CStandInRuntime::LibraryIn(machine), "client state", kWebViewRuntimeInstalled},
        {"installer's state, per user",
         [&] { CStandInRuntime::SetClientState(HKEY_CURRENT_USER, user); },
         CStandInRuntime::LibraryIn(user), "client state", kWebViewRuntimeInstalled},
        {"machine-wide before per user",
         [&] {
             CStandInRuntime::SetClientState(HKEY_CURRENT_USER, user);
             CStandInRuntime::SetClientState(HKEY_LOCAL_MACHINE, machine);
         },
         CStandInRuntime::LibraryIn(machine), "client state", kWebViewRuntimeInstalled},
        {"installer's state before the client key, even of a higher version",
         [&] {
             CStandInRuntime::SetClientState(HKEY_LOCAL_MACHINE, machine);
             CStandInRuntime::Install(HKEY_CURRENT_USER, "130.0.2849.56", clients, junk);
         },
         CStandInRuntime::LibraryIn(machine), "client state", kWebViewRuntimeInstalled},
        {"a state too old: the client key",
         [&] {
             CStandInRuntime::SetClientState(HKEY_LOCAL_MACHINE, old);
             CStandInRuntime::Install(HKEY_CURRENT_USER, "130.0.2849.56", clients, junk);
         },
         CStandInRuntime::LibraryIn(clients + "\\130.0.2849.56"), "clients",
         kWebViewRuntimeInstalled},
        {"a policy for this program",
         [&] {
             CStandInRuntime::SetClientState(HKEY_LOCAL_MACHINE, machine);
             CStandInRuntime::SetPolicy(HKEY_LOCAL_MACHINE, CWinText::Ansi(programName), fixed);
         },
         CStandInRuntime::LibraryIn(fixed), "policy", kWebViewRuntimeFixedVersion},
        {"a policy for every program",
         [&] { CStandInRuntime::SetPolicy(HKEY_CURRENT_USER, "*", fixed); },
         CStandInRuntime::LibraryIn(fixed), "policy", kWebViewRuntimeFixedVersion},
        {"the environment before the policy",
         [&] {
             CStandInRuntime::SetPolicy(HKEY_LOCAL_MACHINE, "*", machine);
             SetEnvironmentVariableW(kWebViewFolderVariable, CWinText::Wide(fixed).c_str());
         },
         CStandInRuntime::LibraryIn(fixed), "environment", kWebViewRuntimeFixedVersion},
        {"a fixed folder relative to the program",
         [&] { SetEnvironmentVariableW(kWebViewFolderVariable, L"pv-fixed-runtime\\"); },
         CStandInRuntime::LibraryIn(relative), "environment", kWebViewRuntimeFixedVersion},
        {"a fixed folder without the library: none, though one is installed",
         [&] {
             CStandInRuntime::SetClientState(HKEY_LOCAL_MACHINE, machine);
             SetEnvironmentVariableW(kWebViewFolderVariable,
                                     CWinText::Wide(m_dir.File("empty")).c_str());
         },
         "", "", 0},
        {"a browser's own folder is refused",
         [&] { CStandInRuntime::SetPolicy(HKEY_CURRENT_USER, "*", browser); }, "", "", 0},
        {"nothing installed", [] {}, "", "", 0},
    };
    for (const std::string& folder : {machine, user, old, fixed, browser, relative})
        put(folder);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CStandInRuntime::Uninstall();
        c.setUp();
        WebViewRuntime found;
        const bool any = FindWebViewRuntime(&found);
        EXPECT_EQ(any, !c.dll.empty());
        if (any) {
            EXPECT_EQ(CWinText::Ansi(found.clientDll), c.dll);
            EXPECT_STREQ(found.rule, c.rule);
            EXPECT_EQ(found.runtimeType, c.runtimeType);
        }
    }
    DeleteTree(relative);
}

// A fixed-version runtime named by the environment starts as one.
TEST_F(ViewerWebSite, AFixedRuntimeStartsAsOne) {
    InstallStandIn();
    CStandInRuntime::Uninstall();  // the library stays where it is; no key names it
    SetEnvironmentVariableW(kWebViewFolderVariable,
                            CWinText::Wide(m_location + "\\" + kVersion).c_str());
    OpenWeb();
    GoAndWait();
    EXPECT_EQ(StandIn().Get("runtimeType"), "1");
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://index.htm");
}

}  // namespace
