#include "viewer/ViewerApp.h"

#include <commctrl.h>
#include <ole2.h>

#include "platform/Profile.h"
#include "platform/win/ScopedWin.h"
#include "viewer/engines/BookProtocol.h"
#include "viewer/panes/Dialogs.h"
#include "viewer/MainWindow.h"
#include "viewer/SelfTest.h"
#include "viewer/Splash.h"
#include "book/Book.h"

namespace {

const char kSelfTestSwitch[] = "--pv-selftest";
const UINT kSelfTestSettleMs = 300;
const UINT kSelfTestLimitMs = 15000;

// The self-test run in progress; a thread timer has no context pointer of its own.
struct SelfTestRun {
    CBook* book;
    CMainWindow* window;
    std::string path;
    UINT_PTR timer;
    bool written;
};
SelfTestRun* g_selfTest = nullptr;

void CALLBACK SelfTestTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    SelfTestRun* run = g_selfTest;
    if (!run || run->written)
        return;
    run->written = true;
    WriteSelfTestReport(run->path, FormatSelfTestReport(*run->book, run->window));
    if (run->window->GetHwnd())
        DestroyWindow(run->window->GetHwnd());
    else
        PostQuitMessage(0);
}

void SelfTestNavigationDone(void* context) {
    SelfTestRun* run = static_cast<SelfTestRun*>(context);
    if (run->timer)
        KillTimer(nullptr, run->timer);
    // A short pause lets the window settle (toolbar states, late events) before the report.
    run->timer = SetTimer(nullptr, 0, kSelfTestSettleMs, SelfTestTimer);
}

std::string OwnPath() {
    char path[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof(path));
    return std::string(path, n < sizeof(path) ? n : 0);
}

}  // namespace

ViewerOptions ParseViewerArgs(int argc, char** argv) {
    ViewerOptions options;
    for (int i = 1; i < argc; ++i) {
        if (lstrcmpiA(argv[i], kSelfTestSwitch) == 0 && i + 1 < argc)
            options.strReportPath = argv[++i];
    }
    return options;
}

void RequestStandardsMode() {
    const std::string own = OwnPath();
    const size_t slash = own.find_last_of("\\/");
    const std::string exe = slash == std::string::npos ? own : own.substr(slash + 1);
    if (exe.empty())
        return;
    HKEY raw = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER,
                        "Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\"
                        "FEATURE_BROWSER_EMULATION",
                        0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &raw,
                        nullptr) != ERROR_SUCCESS)
        return;
    ScopedHKey key(raw);
    const DWORD wanted = 11000;  // the page's DOCTYPE picks its mode, as in a browser
    DWORD value = 0;
    DWORD size = sizeof(value);
    DWORD type = 0;
    if (RegQueryValueExA(key.get(), exe.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS ||
        type != REG_DWORD || value != wanted)
        RegSetValueExA(key.get(), exe.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&wanted),
                       sizeof(wanted));
}

int RunViewer(HINSTANCE instance, const ViewerOptions& options, int nCmdShow) {
    const bool selfTest = !options.strReportPath.empty();
    const std::string path = options.strBookPath.empty() ? OwnPath() : options.strBookPath;

    CBook book;
    if (!book.Open(path)) {
        if (selfTest)
            WriteSelfTestReport(options.strReportPath, FormatSelfTestReport(book, nullptr));
        else
            MessageBoxA(nullptr, book.GetErrorText().c_str(), "E-book", MB_ICONSTOP | MB_OK);
        return 1;
    }

    // OLE for the browser control, until the protocol is unregistered and the window gone.
    ScopedOle ole;
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    RequestStandardsMode();
    CBookSource source(book);
    RegisterBookProtocol(&source);  // without it every page reports an error, shown in place

    if (!selfTest) {
        SplashImage splash;
        if (book.ReadSplash(&splash))
            RunSplash(instance, splash, options.uSplashMs);
    }

    int exitCode = 0;
    {
        // Each e-book keeps its reader's place under a key named after its file; the self-test
        // neither reads nor writes it, so its report shows what a first run shows.
        RegistryProfile profile("Tessaly", "Pagevane Viewer");
        CMainWindow window(book);
        const size_t slash = path.find_last_of("\\/");
        const std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
        if (!selfTest && !fileName.empty())
            window.SetPlaceStore(&profile, fileName);
        if (!window.Create(instance)) {
            MessageBoxA(nullptr, "The viewer's window could not be created.", "E-book",
                        MB_ICONSTOP | MB_OK);
            exitCode = 1;
        } else {
            SelfTestRun run{&book, &window, options.strReportPath, 0, false};
            if (selfTest) {
                g_selfTest = &run;
                window.SetNavigationListener(SelfTestNavigationDone, &run);
                run.timer = SetTimer(nullptr, 0, kSelfTestLimitMs, SelfTestTimer);
            }
            window.Show(selfTest ? SW_SHOWNORMAL : nCmdShow);
            window.GoToStart();
            if (!selfTest && book.GetSetting(kShowAboutAtStart))
                ShowAboutBox(window.GetHwnd(), book);
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
                if (window.PreTranslate(&msg))
                    continue;
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            g_selfTest = nullptr;
        }
    }
    UnregisterBookProtocol();
    return exitCode;
}
