// Helpers for the viewer's Windows tests: screenshots of the display written as .bmp files next
// to the test (test artifacts); the pumps and the temporary folder come from tests/support.
#pragma once

#include <windows.h>

#include <string>

#include "MessagePump.h"
#include "TempFolder.h"

// Saves the whole screen as viewer-<name>.bmp in the current folder (the build folder under
// ctest), so that a person can look at what the windows really showed.
void SaveScreenshot(const char* name);

// The colour of one pixel of the screen.
COLORREF ScreenPixel(int x, int y);
