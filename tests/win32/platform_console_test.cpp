// Console output: a console receives the ANSI text as UTF-16 (read back from the screen buffer),
// a file receives the bytes unchanged.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <iostream>
#include <sstream>
#include <string>

#include "TempFolder.h"
#include "platform/Console.h"

namespace {

std::wstring Decode(UINT codePage, const std::string& bytes) {
    std::wstring wide(bytes.size(), L'\0');
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                                      &wide[0], static_cast<int>(wide.size()));
    wide.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return wide;
}

// Points standard output at another handle for the test's lifetime.
class StdOutputSwap {
  public:
    explicit StdOutputSwap(HANDLE h) : m_old(GetStdHandle(STD_OUTPUT_HANDLE)) {
        SetStdHandle(STD_OUTPUT_HANDLE, h);
    }
    ~StdOutputSwap() { SetStdHandle(STD_OUTPUT_HANDLE, m_old); }

  private:
    HANDLE m_old;
};

// A console of this process's own (any earlier one let go), and its screen buffer.
HANDLE NewConsoleScreen() {
    FreeConsole();
    if (!AllocConsole())
        return INVALID_HANDLE_VALUE;
    return CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}

// What write() shows on the console screen: standard output pointed at it, the text written
// under a CConsoleText, and count characters read back from where the cursor stood.
std::wstring ShownOnConsole(HANDLE screen, size_t count, const std::function<void()>& write) {
    StdOutputSwap swap(screen);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(screen, &info))
        return L"(no screen buffer)";
    const COORD start = info.dwCursorPosition;
    {
        CConsoleText console;
        write();
    }
    std::wstring shown(count, L'\0');
    DWORD read = 0;
    if (!ReadConsoleOutputCharacterW(screen, &shown[0], static_cast<DWORD>(shown.size()), start,
                                     &read))
        return L"(screen unreadable)";
    shown.resize(read);
    return shown;
}

// "café €" and a character outside Latin-1 in the ANSI code page's bytes.
const std::string kAnsiText = "caf\xE9 \x80 \x9C";

TEST(Console, AConsoleShowsTheAnsiTextAsUnicode) {
    const HANDLE screen = NewConsoleScreen();
    ASSERT_NE(screen, INVALID_HANDLE_VALUE);
    const std::wstring expected = Decode(CP_ACP, kAnsiText);
    if (expected == Decode(GetConsoleOutputCP(), kAnsiText)) {
        CloseHandle(screen);
        FreeConsole();
        GTEST_SKIP() << "the console's code page reads these bytes as the ANSI one does";
    }
    EXPECT_EQ(ShownOnConsole(screen, expected.size(),
                             [] {
                                 EXPECT_TRUE(IsTerminal(StdStream::output));
                                 std::cout << kAnsiText << std::flush;
                             }),
              expected);
    CloseHandle(screen);
    FreeConsole();
}

// UTF-8 text the code page cannot hold reaches a console as its characters, after the ANSI
// text written before it, and a file as its UTF-8 bytes.
TEST(Console, Utf8TextReachesAConsoleAndAFileUnchanged) {
    const std::string utf8 = "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1 \xE6\x97\xA5.htm";
    const HANDLE screen = NewConsoleScreen();
    ASSERT_NE(screen, INVALID_HANDLE_VALUE);
    const std::wstring expected = L"caf\x00E9 " + Decode(CP_UTF8, utf8);
    EXPECT_EQ(ShownOnConsole(screen, expected.size(),
                             [&] {
                                 std::cout << "caf\xE9 ";
                                 WriteUtf8Text(std::cout, utf8);
                                 std::cout << std::flush;
                             }),
              expected);
    CloseHandle(screen);
    FreeConsole();

    std::ostringstream file;
    WriteUtf8Text(file, utf8);
    EXPECT_EQ(file.str(), utf8);
}

TEST(Console, AFileKeepsTheStandardBuffer) {
    CTempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    const HANDLE file = CreateFileA(folder.File("out.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                    nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    {
        StdOutputSwap swap(file);
        EXPECT_FALSE(IsTerminal(StdStream::output));
        std::streambuf* before = std::cout.rdbuf();
        CConsoleText console;
        EXPECT_EQ(std::cout.rdbuf(), before);  // bytes go out as they are
    }
    CloseHandle(file);
}

}  // namespace
