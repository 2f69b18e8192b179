// The viewer program from start to end: open the book in its own file, show the splash, the main
// window and (when the book asks) the About box, run the message loop.
#pragma once

#include <windows.h>

#include <string>

struct ViewerOptions {
    std::string strBookPath;    // the file holding the book; empty: the program's own file
    std::string strReportPath;  // non-empty: self-test run writing this report (SelfTest.h)
    UINT uSplashMs = 2000;
};

// Reads the options from the command line (argv[0] is the program).
ViewerOptions ParseViewerArgs(int argc, char** argv);

// Runs the viewer; returns the process exit code (1 when the book cannot be read).
int RunViewer(HINSTANCE instance, const ViewerOptions& options, int nCmdShow);

// Lists this program under FEATURE_BROWSER_EMULATION so that the web-browser control renders
// in the newest standards mode instead of its legacy mode.
void RequestStandardsMode();
