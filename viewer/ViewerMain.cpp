// Entry point of viewer.exe, the reading program every e-book starts with.
#include <windows.h>

#include <cstdlib>

#include "viewer/ViewerApp.h"

// The runtime's default terminate handler prints the exception's demangled type name, which
// links the whole C++ demangler (about 40 KB) into every e-book. A GUI program has no console to
// print to, so it simply ends.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int nCmdShow) {
    return RunViewer(instance, ParseViewerArgs(__argc, __argv), nCmdShow);
}
