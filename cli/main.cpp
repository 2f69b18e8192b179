// pagevane-cli's entry point: hands the words of the command line and the viewer carried by the
// program to RunCli.
#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "platform/Console.h"
#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "platform/win/WinText.h"
#endif

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

namespace {

// A standard stream the program was started without ("list >&-") is held by /dev/null opened
// for reading: a file opened later can then never take its number and receive what is printed,
// and every write to it fails, as a write to a closed stream should.
void HoldClosedStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && open("/dev/null", O_RDONLY) == -1)
            return;
    }
}

}  // namespace

// viewer.exe's bytes, linked in by ViewerBlob.S.
extern "C" const unsigned char pv_viewer_exe_start[];
extern "C" const unsigned char pv_viewer_exe_end[];
#endif

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
#ifndef _WIN32
    HoldClosedStandardStreams();
#endif
#ifdef _WIN32
    // The words as typed, in UTF-8: the system's 8-bit arguments have already been through a
    // best-fit conversion that changes what the code page cannot hold without a word.
    int wordCount = 0;
    if (LPWSTR* words = ::CommandLineToArgvW(::GetCommandLineW(), &wordCount)) {
        args.clear();
        for (int i = 1; i < wordCount; ++i)
            args.push_back(CWinText::Ansi(words[i], CP_UTF8));
        ::LocalFree(words);
    }
    CModuleStubSource stub;
#else
    CMemoryStubSource stub(pv_viewer_exe_start,
                           static_cast<size_t>(pv_viewer_exe_end - pv_viewer_exe_start));
#endif
    // Text for a Windows console goes through its wide-character output.
    CConsoleText console;
    const int rc = RunCli(args, stub, std::cout, std::cerr, IsTerminal(StdStream::error));
    std::cout.flush();
    return rc;
}
