// A test tool: pagevane-cli with the viewer taken from a file instead of the one it carries.
//
//   pagevane-cli-anystub VIEWER.exe COMMAND [ARGS...]
//
// The end-to-end test builds e-books on the x86_64 viewer with it where the machine cannot start
// 32-bit programs, so that the e-book's own start can be tested under the 64-bit Wine. Nothing
// shipped offers this: e-books always start with the i686 viewer the programs carry.
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/Cli.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: pagevane-cli-anystub VIEWER.exe COMMAND [ARGS...]\n";
        return kExitUsage;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<char> viewer;
    if (in)
        viewer.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in || viewer.empty()) {
        std::cerr << "pagevane-cli-anystub: cannot read " << argv[1] << "\n";
        return kExitFailure;
    }
    CMemoryStubSource stub(viewer.data(), viewer.size());
    const std::vector<std::string> args(argv + 2, argv + argc);
    const int rc = RunCli(args, stub, std::cout, std::cerr);
    std::cout.flush();
    return rc;
}
