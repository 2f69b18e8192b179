// pagevane-cli's entry point: hands the words of the command line and the viewer carried by the
// program to RunCli.
#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "platform/Console.h"

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
