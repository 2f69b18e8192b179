// pagevane-cli.exe started with a wide command line, as a Windows shell starts it, its two
// output streams caught in files: words the code page cannot hold are refused by name, code-page
// words build unchanged, and the report of files left out names them as they are.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "TempFolder.h"
#include "platform/win/WinText.h"

namespace {

std::string ReadAll(const std::wstring& path) {
    std::ifstream in(CWinText::Ansi(path), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool WriteFileW(const std::wstring& path, const std::string& bytes) {
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok =
        ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(h);
    return ok && written == bytes.size();
}

class CliWideTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* exe = std::getenv("PV_CLI_EXE");
        ASSERT_NE(exe, nullptr) << "PV_CLI_EXE names pagevane-cli.exe";
        m_cli = CWinText::Wide(exe);
        ASSERT_FALSE(m_temp.Path().empty());
        m_book = CWinText::Wide(m_temp.File("book"));
        ASSERT_TRUE(::CreateDirectoryW(m_book.c_str(), nullptr));
        ASSERT_TRUE(WriteFileW(m_book + L"\\index.html", "<html>home</html>"));
    }

    // Runs the program with words (each quoted), standard output and error into files; returns
    // the exit code, or -1 when it could not be started or did not end within a minute.
    int Run(const std::wstring& words) {
        const std::wstring outPath = CWinText::Wide(m_temp.File("out.txt"));
        const std::wstring errPath = CWinText::Wide(m_temp.File("err.txt"));
        SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
        HANDLE out = ::CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        HANDLE err = ::CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
        si.hStdOutput = out;
        si.hStdError = err;
        std::wstring line = L"\"" + m_cli + L"\" " + words;
        PROCESS_INFORMATION pi = {};
        DWORD code = static_cast<DWORD>(-1);
        if (::CreateProcessW(m_cli.c_str(), &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                             &si, &pi)) {
            if (::WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0)
                ::TerminateProcess(pi.hProcess, static_cast<UINT>(-1));
            ::GetExitCodeProcess(pi.hProcess, &code);
            ::CloseHandle(pi.hThread);
            ::CloseHandle(pi.hProcess);
        }
        ::CloseHandle(out);
        ::CloseHandle(err);
        m_out = ReadAll(outPath);
        m_err = ReadAll(errPath);
        return static_cast<int>(code);
    }
    static std::wstring Quoted(const std::wstring& word) { return L"\"" + word + L"\""; }

    CTempFolder m_temp{"pv-cli-wide"};
    std::wstring m_cli;
    std::wstring m_book;
    std::string m_out;
    std::string m_err;
};

// A title the code page cannot hold is refused, naming the flag and each character, and no
// e-book is written; the same title in code-page characters builds and reads back unchanged.
TEST_F(CliWideTest, WordsAreCheckedAsTyped) {
    ASSERT_EQ(::GetACP(), 1252u) << "the cases below are written for Windows-1252";
    const std::wstring exe = CWinText::Wide(m_temp.File("book.exe"));
    const std::wstring build = L"build " + Quoted(m_book) + L" -o " + Quoted(exe);
    EXPECT_EQ(Run(build + L" --title \"\x03A9\x03BC\x03AD\x03B3\x03B1 \x0101\""), 2) << m_err;
    EXPECT_NE(m_err.find("The value of --title holds characters"), std::string::npos) << m_err;
    EXPECT_NE(m_err.find("U+03A9, U+03BC, U+03AD, U+03B3, U+03B1, U+0101."), std::string::npos)
        << m_err;
    EXPECT_EQ(::GetFileAttributesW(exe.c_str()), INVALID_FILE_ATTRIBUTES);

    EXPECT_EQ(Run(build + L" --title \"Caf\x00E9 \x20AC\""), 0) << m_err;
    EXPECT_EQ(m_err.find("holds characters"), std::string::npos) << m_err;
    EXPECT_EQ(Run(L"list " + Quoted(exe)), 0) << m_err;
    EXPECT_NE(m_out.find("Title:"), std::string::npos) << m_out;
    EXPECT_NE(m_out.find(" Caf\xE9 \x80"), std::string::npos) << m_out;
}

// A file whose name the code page cannot hold is left out and named in UTF-8, as it is on disk,
// by build and by check; the rest of the book is built.
TEST_F(CliWideTest, LeftOutFilesAreNamedAsTheyAre) {
    const std::wstring name = L"\x03A9\x03BC\x03AD\x03B3\x03B1 \x65E5.htm";
    ASSERT_TRUE(WriteFileW(m_book + L"\\" + name, "<html>left out</html>"));
    const std::wstring exe = CWinText::Wide(m_temp.File("book.exe"));
    EXPECT_EQ(Run(L"build " + Quoted(m_book) + L" -o " + Quoted(exe)), 0) << m_err;
    EXPECT_NE(m_err.find("left out because their names cannot be written"), std::string::npos)
        << m_err;
    // Standard error is a text stream: its line feeds reach the file as CR LF.
    EXPECT_NE(m_err.find("\n" + CWinText::Ansi(name, CP_UTF8) + "\r\n"), std::string::npos)
        << m_err;
    EXPECT_EQ(m_err.find('?'), std::string::npos) << m_err;
    EXPECT_NE(::GetFileAttributesW(exe.c_str()), INVALID_FILE_ATTRIBUTES);

    // check names it the same way among its findings.
    EXPECT_EQ(Run(L"check " + Quoted(m_book)), 0) << m_err;
    EXPECT_NE(m_out.find("/" + CWinText::Ansi(name, CP_UTF8) + ": the e-book cannot hold"),
              std::string::npos)
        << m_out;
    EXPECT_EQ(m_out.find('?'), std::string::npos) << m_out;
}

}  // namespace
