// Entry point of the framework's Windows tests: OLE on the test thread (the shell's folder
// browser needs it), common controls registered, then GoogleTest.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "platform/win/ScopedWin.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ScopedOle ole;
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    return RUN_ALL_TESTS();
}
