// Pagevane.exe itself, driven from outside its process the way a person would use it: buttons
// clicked, list rows selected, texts typed, the real folder browser, file dialogs and message
// boxes answered. Controls are reached by posted and marshalled messages; the list view, whose
// messages carry pointers, is read and set through memory allocated in the publisher's process.
// The e-book it writes must be byte for byte the one pagevane-cli.exe builds from the project
// file the publisher saved with the same state.
#include <gtest/gtest.h>

#include "MessagePump.h"
#include "Screenshot.h"

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    std::string s = v ? v : "";
    for (char& c : s) {
        if (c == '/')
            c = '\\';
    }
    return s;
}

bool WaitFor(const std::function<bool()>& done, DWORD ms = 15000) {
    return WaitUntil(done, ms);
}

// Runs a command line and waits for it; false when it could not be started.
bool RunAndWait(std::string cmd) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION cp = {};
    if (!::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &cp))
        return false;
    ::WaitForSingleObject(cp.hProcess, 60000);
    ::CloseHandle(cp.hProcess);
    ::CloseHandle(cp.hThread);
    return true;
}

std::string Text(HWND h) {
    char text[1024] = {};
    ::SendMessageA(h, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

struct FindArgs {
    DWORD pid;
    std::function<bool(HWND)> match;
    HWND found;
};

BOOL CALLBACK FindTopProc(HWND h, LPARAM lParam) {
    auto* args = reinterpret_cast<FindArgs*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(h, &pid);
    if (pid == args->pid && ::IsWindowVisible(h) && args->match(h)) {
        args->found = h;
        return FALSE;
    }
    return TRUE;
}

// The first visible top-level window of the process that matches.
HWND FindTop(DWORD pid, const std::function<bool(HWND)>& match) {
    FindArgs args{pid, match, nullptr};
    ::EnumWindows(FindTopProc, reinterpret_cast<LPARAM>(&args));
    return args.found;
}

HWND WaitTop(DWORD pid, const std::function<bool(HWND)>& match) {
    HWND h = nullptr;
    WaitFor([&] { return (h = FindTop(pid, match)) != nullptr; });
    return h;
}

void Click(HWND h) {
    ::PostMessageA(h, BM_CLICK, 0, 0);
}

// Memory in the publisher's process for list view messages.
class Remote {
  public:
    explicit Remote(HANDLE process) : m_process(process) {
        m_mem = static_cast<char*>(
            ::VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    }
    ~Remote() { ::VirtualFreeEx(m_process, m_mem, 0, MEM_RELEASE); }

    std::string ItemText(HWND list, int row, int column) {
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = m_mem + 512;
        item.cchTextMax = 512;
        Write(item);
        ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                       reinterpret_cast<LPARAM>(m_mem));
        char text[513] = {};
        ::ReadProcessMemory(m_process, m_mem + 512, text, 512, nullptr);
        return text;
    }
    void SetState(HWND list, int row, UINT state, UINT mask) {
        LVITEMA item = {};
        item.state = state;
        item.stateMask = mask;
        Write(item);
        ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                       reinterpret_cast<LPARAM>(m_mem));
    }

    // The text of the item selected in a tree view of the process.
    std::string SelectedTreeText(HWND tree) {
        TVITEMA item = {};
        item.mask = TVIF_TEXT;
        item.hItem =
            reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
        item.pszText = m_mem + 512;
        item.cchTextMax = 512;
        if (!item.hItem)
            return std::string();
        ::WriteProcessMemory(m_process, m_mem, &item, sizeof item, nullptr);
        if (!::SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(m_mem)))
            return std::string();
        char text[513] = {};
        ::ReadProcessMemory(m_process, m_mem + 512, text, 512, nullptr);
        return text;
    }

    // The text copied into the process (it stays valid until the next call).
    const char* String(const std::string& text) {
        ::WriteProcessMemory(m_process, m_mem + 1024, text.c_str(), text.size() + 1, nullptr);
        return m_mem + 1024;
    }

  private:
    void Write(const LVITEMA& item) {
        ::WriteProcessMemory(m_process, m_mem, &item, sizeof item, nullptr);
    }
    HANDLE m_process;
    char* m_mem;
};

class PublisherRun : public ::testing::Test {
  protected:
    void SetUp() override {
        exe = Env("PV_PUBLISHER_EXE");
        cli = Env("PV_CLI_EXE");
        book = Env("PV_SOURCE_DIR") + "\\examples\\lighthouses";
        // Under the current folder (the build folder): Wine's folder browser finds folders
        // there by path, but not below the prefix's own temporary folder.
        char cwd[MAX_PATH] = {};
        ::GetCurrentDirectoryA(MAX_PATH, cwd);
        out = std::string(cwd) + "\\pv-e2e-" + std::to_string(::GetCurrentProcessId()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ::CreateDirectoryA(out.c_str(), nullptr);
        // The folder browser opens at the remembered folder: remember the sample book.
        HKEY key = nullptr;
        ::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tessaly\\Pagevane\\Options", 0, nullptr, 0,
                          KEY_WRITE, nullptr, &key, nullptr);
        ::RegSetValueExA(key, "LastProject", 0, REG_SZ, reinterpret_cast<const BYTE*>(book.c_str()),
                         static_cast<DWORD>(book.size() + 1));
        ::RegCloseKey(key);
    }
    void TearDown() override {
        if (pi.hProcess) {
            ::TerminateProcess(pi.hProcess, 1);
            ::WaitForSingleObject(pi.hProcess, 5000);
            ::CloseHandle(pi.hProcess);
            ::CloseHandle(pi.hThread);
        }
        RunAndWait("cmd /c rmdir /s /q \"" + out + "\"");
    }

    void Start() {
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        std::string cmd = "\"" + exe + "\"";
        ASSERT_TRUE(::CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                                     nullptr, &si, &pi));
        sheet = WaitTop(pi.dwProcessId, [](HWND h) { return Text(h) == "Content"; });
        ASSERT_NE(sheet, nullptr);
    }
    HWND Page() {
        return reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    }
    HWND Item(int id) { return ::GetDlgItem(Page(), id); }
    // A dialog of the publisher other than the sheet that holds control id.
    HWND WaitDialogWith(int id) {
        return WaitTop(pi.dwProcessId,
                       [&](HWND h) { return h != sheet && ::GetDlgItem(h, id) != nullptr; });
    }
    // Answers a file dialog with path.
    void AnswerFileDialog(const std::string& path) {
        HWND dlg = WaitTop(pi.dwProcessId, [&](HWND h) {
            return h != sheet && (::GetDlgItem(h, 0x47C) || ::GetDlgItem(h, 0x480));
        });
        ASSERT_NE(dlg, nullptr);
        HWND name = ::GetDlgItem(dlg, 0x47C) ? ::GetDlgItem(dlg, 0x47C) : ::GetDlgItem(dlg, 0x480);
        ::SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
        Click(::GetDlgItem(dlg, IDOK));
        ASSERT_TRUE(WaitFor([&] { return !::IsWindow(dlg); }));
    }
    // The text of the next message box, which is then closed with OK.
    std::string AnswerMessageBox() {
        HWND box = WaitTop(pi.dwProcessId, [&](HWND h) {
            return h != sheet && ::GetDlgItem(h, 0xFFFF) && ::GetDlgItem(h, IDOK);
        });
        if (!box)
            return "<no message box>";
        const std::string text = Text(::GetDlgItem(box, 0xFFFF));
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        WaitFor([&] { return !::IsWindow(box); });
        return text;
    }
    int RowOf(Remote& remote, HWND list, const std::string& file) {
        const int n = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            if (remote.ItemText(list, i, 0) == file)
                return i;
        }
        return -1;
    }
    // Focuses and selects only row, then runs File Properties, ticking the boxes given.
    void FileProperties(Remote& remote, HWND list, int row, std::vector<int> boxes) {
        remote.SetState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        remote.SetState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ASSERT_TRUE(WaitFor([&] { return ::IsWindowEnabled(Item(1004)) != FALSE; }));
        Click(Item(1004));
        HWND dlg = WaitDialogWith(1046);
        ASSERT_NE(dlg, nullptr);
        for (int id : boxes) {
            const LRESULT before = ::SendDlgItemMessageA(dlg, id, BM_GETCHECK, 0, 0);
            Click(::GetDlgItem(dlg, id));
            ASSERT_TRUE(WaitFor(
                [&] { return ::SendDlgItemMessageA(dlg, id, BM_GETCHECK, 0, 0) != before; }));
        }
        Click(::GetDlgItem(dlg, IDOK));
        ASSERT_TRUE(WaitFor([&] { return !::IsWindow(dlg); }));
    }

    // New Project on folder. The browser opens at the remembered folder, but on a fresh Wine
    // prefix it has been seen to stay at the desktop, and while it fills its tree Wine's browser
    // may stop part of the way down a long path; the folder is selected again until the tree
    // shows it, as a person would, wherever it lies.
    void NewProject(Remote& remote, const std::string& folder) {
        Click(Item(1001));
        HWND browser = WaitDialogWith(IDOK);
        ASSERT_NE(browser, nullptr);
        HWND tree = ::FindWindowExA(browser, nullptr, WC_TREEVIEWA, nullptr);
        ASSERT_NE(tree, nullptr);
        const std::string name = folder.substr(folder.find_last_of('\\') + 1);
        EXPECT_TRUE(WaitFor([&] {
            ::SendMessageA(browser, BFFM_SETSELECTIONA, TRUE,
                           reinterpret_cast<LPARAM>(remote.String(folder)));
            return remote.SelectedTreeText(tree) == name;
        })) << "the browser shows "
            << remote.SelectedTreeText(tree) << ", not " << folder;
        SaveScreenshot("e2e-browser");
        Click(::GetDlgItem(browser, IDOK));
        ASSERT_TRUE(WaitFor([&] { return !::IsWindow(browser); }));
        HWND list = Item(1007);
        ASSERT_TRUE(WaitFor([&] { return ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 7; }))
            << "the list holds " << ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) << " rows";
    }
    // Goes to the Create page.
    void ToCreatePage() {
        ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
        ASSERT_TRUE(WaitFor([&] { return Item(1021) != nullptr; }));
        ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
        ASSERT_TRUE(WaitFor([&] { return Item(1035) != nullptr; }));
    }

    std::string exe, cli, book, out;
    PROCESS_INFORMATION pi = {};
    HWND sheet = nullptr;
};

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// Counts the processes running exeName; ends them when bEnd.
int CountProcesses(const char* exeName, bool bEnd = false) {
    int n = 0;
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL ok = ::Process32First(snap, &entry); ok; ok = ::Process32Next(snap, &entry)) {
        if (::lstrcmpiA(entry.szExeFile, exeName) != 0)
            continue;
        ++n;
        if (bEnd) {
            HANDLE h = ::OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID);
            if (h) {
                ::TerminateProcess(h, 0);
                ::CloseHandle(h);
            }
        }
    }
    ::CloseHandle(snap);
    return n;
}

TEST_F(PublisherRun, TheWholeJobGivesTheCommandLinesBytes) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::string gui = out + "\\gui.exe", ebp = out + "\\state.ebp",
                      cliOut = out + "\\cli.exe";
    Remote remote(pi.hProcess);

    HWND list = Item(1007);
    ASSERT_NO_FATAL_FAILURE(NewProject(remote, book));

    // Move the second row down; make index.html the home page; leave one chapter out.
    remote.SetState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
    const std::string second = remote.ItemText(list, 1, 0);
    Click(Item(1006));
    ASSERT_TRUE(WaitFor([&] { return remote.ItemText(list, 2, 0) == second; }));
    ASSERT_NO_FATAL_FAILURE(
        FileProperties(remote, list, RowOf(remote, list, "index.html"), {1046}));
    EXPECT_EQ(remote.ItemText(list, 0, 0), "index.html");
    ASSERT_NO_FATAL_FAILURE(
        FileProperties(remote, list, RowOf(remote, list, "chapters\\02-keepers.html"), {1047}));
    EXPECT_EQ(remote.ItemText(list, RowOf(remote, list, "chapters\\02-keepers.html"), 1), " ");
    remote.SetState(list, -1, 0, LVIS_SELECTED);
    remote.SetState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
    PaintNow(sheet);
    SaveScreenshot("e2e-content");

    // Interface: clear Print, tick the About box at start.
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
    ASSERT_TRUE(WaitFor([&] { return Item(1021) != nullptr; }));
    Click(Item(1021));
    Click(Item(1012));
    ASSERT_TRUE(
        WaitFor([&] { return ::SendMessageA(Item(1012), BM_GETCHECK, 0, 0) == BST_CHECKED; }));

    // Create: the texts, the output file, Create twice, the project saved alongside.
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
    ASSERT_TRUE(WaitFor([&] { return Item(1035) != nullptr; }));
    const struct {
        int id;
        const char* text;
    } texts[] = {{1035, "Lighthouses"},
                 {1036, "A. Keeper"},
                 {1037, "Copyright (C) 1850 the Keepers"},
                 {1038, "http://lights.example/"},
                 {1039, "keeper@lights.example"},
                 {1041, "Beacons of the coast.\r\nSecond line."}};
    for (const auto& t : texts)
        ::SendMessageA(Item(t.id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t.text));
    Click(Item(1043));
    ASSERT_NO_FATAL_FAILURE(AnswerFileDialog(gui));
    ASSERT_TRUE(WaitFor([&] { return !Text(Item(1042)).empty(); }));
    const std::string shown = Text(Item(1042));
    PaintNow(sheet);  // where the file dialog was
    SaveScreenshot("e2e-create");
    Click(Item(1044));
    EXPECT_EQ(AnswerMessageBox(), "E-Book " + shown + " created successfully.");
    const std::string first = ReadAll(gui);
    Click(Item(1044));  // again: replaced without a question
    EXPECT_EQ(AnswerMessageBox(), "E-Book " + shown + " created successfully.");
    EXPECT_EQ(ReadAll(gui), first);
    Click(Item(1046));  // the hidden Save Project As
    ASSERT_NO_FATAL_FAILURE(AnswerFileDialog(ebp));
    ASSERT_TRUE(
        WaitFor([&] { return ::GetFileAttributesA(ebp.c_str()) != INVALID_FILE_ATTRIBUTES; }));

    // Run E-Book starts the e-book; the publisher does not wait for it.
    Click(Item(1045));
    EXPECT_TRUE(WaitFor([] { return CountProcesses("gui.exe") > 0; }));
    CountProcesses("gui.exe", true);

    // A new author typed, then back to the Content page and Cancel: the program ends and the
    // next start shows that author.
    ::SendMessageA(Item(1036), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("B. Keeper"));
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_BACK, 0);
    ASSERT_TRUE(WaitFor([&] { return Item(1021) != nullptr; }));
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_BACK, 0);
    ASSERT_TRUE(WaitFor([&] { return Item(1001) != nullptr; }));
    Click(::GetDlgItem(sheet, IDCANCEL));
    ASSERT_EQ(::WaitForSingleObject(pi.hProcess, 15000), WAIT_OBJECT_0);
    DWORD code = 1;
    ::GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
    pi = {};
    ASSERT_NO_FATAL_FAILURE(Start());
    ::SendMessageA(sheet, PSM_SETCURSEL, 2, 0);
    ASSERT_TRUE(WaitFor([&] { return Item(1036) != nullptr; }));
    EXPECT_EQ(Text(Item(1036)), "B. Keeper");
    EXPECT_EQ(Text(Item(1037)), "Copyright (C) 1850 the Keepers");
    Click(::GetDlgItem(sheet, IDCANCEL));
    ASSERT_EQ(::WaitForSingleObject(pi.hProcess, 15000), WAIT_OBJECT_0);

    // The command line builds the same bytes from the saved project.
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION cp = {};
    std::string cmd = "\"" + cli + "\" build \"" + ebp + "\" -o \"" + cliOut + "\"";
    ASSERT_TRUE(::CreateProcessA(cli.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &si, &cp));
    ASSERT_EQ(::WaitForSingleObject(cp.hProcess, 60000), WAIT_OBJECT_0);
    ::CloseHandle(cp.hProcess);
    ::CloseHandle(cp.hThread);
    const std::string fromCli = ReadAll(cliOut);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(fromCli.size(), first.size());
    EXPECT_TRUE(fromCli == first) << "the publisher's e-book differs from the command line's";
}

}  // namespace

namespace {

// A page file that disappears after the project was opened: the build names it, leaves no
// half-built e-book behind, and the publisher keeps running.
TEST_F(PublisherRun, AMissingPageFileIsReportedAndNothingIsLeft) {
    const std::string copy = out + "\\book";
    ASSERT_TRUE(RunAndWait("cmd /c xcopy /e /i /q \"" + book + "\" \"" + copy + "\""));

    // The copy is opened as a project file (the hidden Open Project button): Wine's folder
    // browser loses its way when asked for a second folder.
    const std::string ebp = out + "\\copy.ebp";
    ASSERT_TRUE(RunAndWait("\"" + cli + "\" new \"" + copy + "\" -o \"" + ebp + "\""));
    ASSERT_NO_FATAL_FAILURE(Start());
    Click(Item(1002));
    ASSERT_NO_FATAL_FAILURE(AnswerFileDialog(ebp));
    ASSERT_TRUE(WaitFor([&] { return ::SendMessageA(Item(1007), LVM_GETITEMCOUNT, 0, 0) == 7; }));
    const std::string gone = copy + "\\chapters\\03-signals.html";
    ASSERT_TRUE(::DeleteFileA(gone.c_str()));
    ASSERT_NO_FATAL_FAILURE(ToCreatePage());
    const std::string broken = out + "\\broken.exe";
    Click(Item(1043));
    ASSERT_NO_FATAL_FAILURE(AnswerFileDialog(broken));
    Click(Item(1044));
    const std::string message = AnswerMessageBox();
    EXPECT_EQ(message.rfind("Cannot read file " + gone, 0), 0u) << message;
    EXPECT_EQ(::GetFileAttributesA(broken.c_str()), INVALID_FILE_ATTRIBUTES);
    // The publisher goes on: it still turns its pages.
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_BACK, 0);
    EXPECT_TRUE(WaitFor([&] { return Item(1021) != nullptr; }));
    EXPECT_TRUE(::IsWindowVisible(sheet));
    EXPECT_EQ(::WaitForSingleObject(pi.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

}  // namespace
